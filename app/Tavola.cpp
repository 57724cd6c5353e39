// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/Tavola.h"

#include "app/DesignLook.h"
#include "app/Pictures.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QShowEvent>

namespace {

const QColor kTeal(0, 192, 192);
const QColor kCyan(0, 255, 255);
const QColor kPaleYellow(255, 255, 128);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kPurple(192, 0, 192);
const QColor kPink(255, 128, 255);

const QString kSansSerif = QStringLiteral("MS Sans Serif");
const QString kArial = QStringLiteral("Arial");
const QString kTimes = QStringLiteral("Times New Roman");

struct LabelDesign
{
    const char *name;
    int left, top, width, height;
    const char *caption;
    QString family;
    double points;
    bool bold;
    QColor text;
    bool border;
    bool centred;
    bool autoSize;
};

} // namespace

Tavola::Tavola(TavolaHost host, QWidget *parent, Finish finish)
    : QMainWindow(parent)
    , m_host(host)
    , m_finish(finish)
{
    setObjectName(QStringLiteral("Tavola"));
    setWindowTitle(QString(83, QLatin1Char(' ')) + QStringLiteral("TIRLINDO - la tabellina del 9"));
    // The caption's leading spaces centre it on the title bar; read aloud or on a braille
    // line they are only a long wait.
    setAccessibleName(windowTitle().trimmed());
    if (finish == Finish::Now)
        finishControls();
}

void Tavola::buildControls()
{
    createControls();
    createMenus();
    setStackingAndTabOrder();

    // The client area is fixed; the menu bar sits above it.
    surface->setFixedSize(twips(ClientWidth), twips(ClientHeight));
    setCentralWidget(surface);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(twips(270), twips(630) - menuBar()->sizeHint().height());

    connect(cmdNext, &QPushButton::clicked, this, [this] { handle([this] { cmdNext_Click(); }); });
    connect(cmdExit1, &QPushButton::clicked, this, [this] { handle([this] { cmdExit1_Click(); }); });
    connect(Command3, &QPushButton::clicked, this, [this] { handle([this] { Command3_Click(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { handle([this] { Timer1_Timer(); }); });
    Text3->keyPressHandler = [this](Integer &keyAscii) {
        handle([this, &keyAscii] { Text3_KeyPress(keyAscii); });
    };
    cmdExit1->setFocus();
}

void Tavola::createControls()
{
    surface = new FormSurface(this);
    surface->setObjectName(QStringLiteral("surface"));
    surface->setBackColor(systemColor(0));

    const QColor outline = systemColor(8);
    auto shape = [&](const char *name, QRect where, const QColor &fill) {
        auto *s = new Shape(surface, fill, outline);
        s->setObjectName(QString::fromLatin1(name));
        s->setGeometry(where);
        return s;
    };
    Shape4 = shape("Shape4", twipsRect(0, 0, 3375, 4455), kTeal);
    Shape2 = shape("Shape2", twipsRect(120, 120, 3135, 4215), kCyan);
    Shape5 = shape("Shape5", twipsRect(8400, 0, 3495, 2055), kTeal);
    Shape3 = shape("Shape3", twipsRect(8510, 50, 3300, 1965), kCyan);
    Shape1 = shape("Shape1", twipsRect(2880, 4920, 7335, 1335), kCyan);

    const QColor buttonText = systemColor(18);
    const LabelDesign labels[] = {
        {"lblMessage", 6360, 2040, 1305, 1275, "io", kSansSerif, 24, true, kRed, false, true, true},
        {"lblconto", 9360, 1200, 1575, 375, "00.07.00", QStringLiteral("Arial Black"), 12, true, kYellow, true, true, false},
        {"Label11", 9270, 720, 1815, 615, "Tempo restante", kTimes, 14.25, false, kYellow, false, false, false},
        {"Label6", 360, 240, 2625, 555, "Risposte esatte", kTimes, 21.75, false, kPaleYellow, true, true, true},
        {"lblScore", 1440, 840, 315, 540, "0", kTimes, 21.75, true, kPaleYellow, true, true, true},
        {"Label1", 360, 1560, 2595, 555, "Risposte errate", kTimes, 21.75, false, kRed, true, false, true},
        {"lblScore1", 1560, 2160, 300, 540, "0", kTimes, 21.75, true, kRed, true, true, true},
        {"Label3", 360, 2880, 2505, 555, "Risposte totali", kTimes, 21.75, false, kBlue, true, false, true},
        {"lblScore2", 1560, 3600, 315, 540, "0", kTimes, 21.75, true, kBlue, true, true, true},
        {"Label14", 120, 6360, 1425, 420, "Sfidante", kSansSerif, 13.5, false, kYellow, true, true, true},
        {"lblnome1", 120, 7200, 645, 420, "", kSansSerif, 13.5, true, kYellow, true, false, true},
        {"Label12", 120, 7680, 2295, 375, "Il record  \xC3\xA8 di ", kSansSerif, 18, false, kPurple, false, false, false},
        {"lblnome", 2400, 7680, 990, 435, "nome", kSansSerif, 18, true, kBlue, false, false, true},
        {"Label13", 6000, 7680, 1455, 435, "con punti", kSansSerif, 18, false, kPurple, false, false, true},
        {"lblpunti", 7680, 7680, 195, 435, "0", kSansSerif, 18, false, kPurple, false, false, true},
        {"lblNum1", 3840, 0, 345, 1185, "", kArial, 48, true, buttonText, true, true, true},
        {"Label10", 5640, 120, 615, 975, "X", kArial, 48, false, buttonText, false, true, false},
        {"lblNum2", 7560, 0, 345, 1185, "", kArial, 48, true, buttonText, true, true, true},
    };
    Label **targets[] = {&lblMessage, &lblconto, &Label11, &Label6, &lblScore, &Label1, &lblScore1,
                         &Label3, &lblScore2, &Label14, &lblnome1, &Label12, &lblnome, &Label13,
                         &lblpunti, &lblNum1, &Label10, &lblNum2};
    for (std::size_t i = 0; i < std::size(labels); ++i) {
        const LabelDesign &d = labels[i];
        auto *label = new Label(surface);
        label->setObjectName(QString::fromLatin1(d.name));
        label->setFont(designFont(d.family, d.points, d.bold));
        label->setColours(d.text);
        label->setBorder(d.border);
        label->setAlignment((d.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        label->setGeometry(twipsRect(d.left, d.top, d.width, d.height));
        label->setText(QString::fromUtf8(d.caption));
        label->setAutoSize(d.autoSize);
        *targets[i] = label;
    }
    lblMessage->setFont(designFont(kSansSerif, 24, true, true));
    lblMessage->setCursor(Pictures::iconPointer());
    lblconto->setColours(kYellow, QColor(128, 128, 255));
    lblconto->setAlignment(Qt::AlignCenter);
    lblNum1->setColours(buttonText, kCyan);
    lblNum2->setColours(buttonText, kCyan);
    Label10->setColours(buttonText, QColor(128, 255, 255));
    lblScore->setToolTip(QStringLiteral("Questo \u00e8 il tuo punteggio. Forza con il  record"));
    for (Label *label : {lblconto, Label11, Label12, Label10})
        m_shrunk.append({label, label->caption()});

    // A screen reader reads the labels as they read on screen, each once: every number has
    // its caption beside or above it ("Risposte esatte", then "3"), and an empty label is
    // passed over.

    Image1 = new QLabel(surface);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(9885, 120, 480, 480));
    Image1->setToolTip(QStringLiteral("Clicca sotto di me per impostare il Timer"));
    Image1->setAccessibleName(QStringLiteral("Cronometro"));

    auto textBox = [&](const char *name, QRect where, const char *text) {
        auto *box = new TextBox(surface);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(where);
        box->setText(QString::fromLatin1(text));
        box->setMaxLength(std::numeric_limits<int>::max());
        return box;
    };
    Text3 = textBox("Text3", twipsRect(3120, 5040, 6855, 1125), "Text3");
    Text3->setMaxLength(250);
    Text3->setAlignment(Qt::AlignCenter);
    {
        QPalette pal = Text3->palette();
        pal.setColor(QPalette::Text, kBlue);
        pal.setColor(QPalette::Base, kPaleYellow);
        Text3->setPalette(pal);
    }
    Text3->setToolTip(QStringLiteral("Scrivi il numero e poi premi  il tasto Return (Invio)"));
    Text3->setAccessibleName(QStringLiteral("Risultato"));
    Text3->setAccessibleDescription(QStringLiteral("Scrivi il risultato e premi Invio"));

    Text1 = textBox("Text1", twipsRect(3600, 2040, 1935, 405), "0");
    Text1->setMaxLength(12);
    {
        QPalette pal = Text1->palette();
        pal.setColor(QPalette::Base, kPink);
        Text1->setPalette(pal);
    }
    Text6 = textBox("Text6", twipsRect(10320, 5760, 2415, 1095), "Text6");
    Text7 = textBox("Text7", twipsRect(4560, 3480, 1095, 1095), "Text7");
    Txtnome1 = textBox("Txtnome1", twipsRect(8280, 3720, 1335, 615), "Text8");
    for (QWidget *hidden : {static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text6),
                            static_cast<QWidget *>(Text7), static_cast<QWidget *>(Txtnome1)})
        hidden->hide();

    cmdNext = new PictureButton(QStringLiteral("&Nuovo calcolo"), kPink, surface);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setGeometry(twipsRect(3120, 6360, 1815, 855));
    cmdNext->setFont(designFont(kSansSerif, 8.25, true));
    cmdNext->setPictures(Pictures::path(Pictures::FaceSmile), Pictures::path(Pictures::FaceStraight),
                         Pictures::path(Pictures::FaceLaugh));
    cmdNext->setEnabled(false);
    cmdNext->setCursor(Pictures::iconPointer());
    cmdNext->setToolTip(QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
    cmdNext->setAccessibleName(QStringLiteral("Nuovo calcolo"));

    cmdExit1 = new PictureButton(QStringLiteral("E&xit"), kTeal, surface);
    cmdExit1->setObjectName(QStringLiteral("cmdExit1"));
    cmdExit1->setGeometry(twipsRect(8160, 6360, 1815, 855));
    cmdExit1->setFont(designFont(kSansSerif, 8.25, true));
    cmdExit1->setPictures(Pictures::path(Pictures::NoEntry));
    cmdExit1->setCursor(Qt::ArrowCursor);
    cmdExit1->setToolTip(QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));
    cmdExit1->setAccessibleName(QStringLiteral("Esci"));

    Command3 = new QPushButton(QStringLiteral("verifica"), surface);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twipsRect(4320, 1920, 975, 435));
    Command3->setFont(designFont(kSansSerif, 8.25));
    Command3->setAutoDefault(false);
    Command3->hide();

    Picture1 = new QWidget(surface);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(4080, 1680, 975, 1095));
    Picture1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    lblNum1->hide();
    Label10->hide();
    lblNum2->hide();

    // The surface's label for a screen reader: Qt takes a label whose buddy is the surface
    // as its label. Never shown, it is none of the design's controls. It speaks through its
    // accessible name, not its text: Qt would make the text the surface's name as well, and
    // it would be read twice.
    m_lastTold = new QLabel(this);
    m_lastTold->setObjectName(QStringLiteral("lastTold"));
    m_lastTold->setBuddy(surface);
    m_lastTold->hide();
}

void Tavola::tellScreenReader(QWidget *control, const QString &text)
{
    // The description is spoken with the control as the focus comes to it, but left off a
    // braille line. The line shows, before the focused control, the label of the surface it
    // sits on, which speech passes over as a mere container: the same text goes there.
    control->setAccessibleDescription(text);
    m_lastTold->setAccessibleName(text);
}

void Tavola::finishControls()
{
    // The controls, and what loads font files and draws pictures: none of it is seen before
    // the first box is up, so none of it is in that box's way. The captions it fits are the
    // design's, so the result is the same whenever it runs.
    if (m_finished)
        return;
    m_finished = true;
    buildControls();
    // Made later, the window takes the icon the program draws for all its windows.
    if (m_finish == Finish::Now && QGuiApplication::windowIcon().isNull())
        setWindowIcon(Pictures::icon());
    surface->setCursor(Pictures::duckCursor());
    for (const auto &[label, caption] : m_shrunk)
        label->shrinkFontToFit(caption);
    // Captions that the design's box is too small for in the font that stands in here.
    for (Label *label : {lblMessage, Label6, lblScore, Label1, lblScore1, Label3, lblScore2,
                         Label14, lblnome, Label13, lblpunti}) {
        const QRect design = label->geometry();
        label->fitCaption();
        label->setGeometry(QRect(design.topLeft(), design.size().expandedTo(label->size())));
    }
    Image1->setPixmap(Pictures::pixmap(Pictures::Stopwatch, Image1->size(), devicePixelRatioF()));
    // A text box lays its text out again with every new font: set once, here.
    Text3->setFont(designFont(kArial, 48));
    Text1->setFont(designFont(kSansSerif, 12, true));
    for (TextBox *box : {Text6, Text7, Txtnome1})
        box->setFont(designFont(kSansSerif, 8.25));
}

void Tavola::createMenus()
{
    // Choosing an entry does nothing: they are the program's credits.
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    QMenu *sito = bar->addMenu(QStringLiteral("Il sito della scuola"));
    sito->setObjectName(QStringLiteral("sito"));
    sito->addAction(QStringLiteral("Scuola primaria: la nostra scuola, nella nostra citt\u00e0"))
        ->setObjectName(QStringLiteral("is"));
    QMenu *ciao = bar->addMenu(QStringLiteral("Ciao dagli autori di Tirlindo"));
    ciao->setObjectName(QStringLiteral("Ciao"));
    ciao->addAction(QStringLiteral("Gli autori: due maestri di scuola primaria"))
        ->setObjectName(QStringLiteral("INFOMAZIONI"));
    ciao->addAction(QStringLiteral("Scrivi agli autori tramite la tua scuola"))
        ->setObjectName(QStringLiteral("posta"));
    bar->addAction(QStringLiteral("Software freeware"))->setObjectName(QStringLiteral("free"));
    bar->addAction(QStringLiteral("Dedicato ai bambini delle scuole della nostra citt\u00e0"))
        ->setObjectName(QStringLiteral("comune"));
}

void Tavola::setStackingAndTabOrder()
{
    // Bottom to top: panels under the labels, Shape1 above them all but under the boxes.
    const QList<QWidget *> windowless = {Shape5, Shape4, Shape3, Shape2, Label6, lblScore,
                                         lblScore1, lblScore2, Label3, Label1, lblpunti, Label13,
                                         lblnome, Label12, lblnome1, Label14, Label11, Image1,
                                         lblNum2, Label10, lblNum1, lblconto, lblMessage, Shape1};
    const QList<QWidget *> windowed = {cmdExit1, cmdNext, Text1, Text3, Picture1,
                                       Command3, Text6, Text7, Txtnome1};
    for (QWidget *w : windowless + windowed)
        w->raise();

    const QList<QWidget *> tabOrder = {cmdExit1, Text1, Text3, cmdNext, Command3, Text6, Text7, Txtnome1};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void Tavola::load()
{
    handle([this] { Form_Load(); });
}

void Tavola::handle(const std::function<void()> &routine)
{
    if (m_ended)
        return;
    QString failure;
    try {
        routine();
        return;
    } catch (const std::exception &error) {
        failure = QString::fromStdString(error.what());
    } catch (...) {
        failure = QStringLiteral("errore sconosciuto");
    }
    if (m_ended)
        return;
    // No tick may start anything while the error is on screen.
    m_ending = true;
    if (Timer1) // none yet when the first box fails
        Timer1->stop();
    m_host.dialogs.MsgBox(QStringLiteral("Si \u00e8 verificato un errore: %1\n\nTirlindo deve chiudersi.").arg(failure));
    endProgram(1);
}

void Tavola::endProgram(int status)
{
    m_ended = true;
    m_ending = true;
    if (Timer1)
        Timer1->stop();
    m_host.end.End(status);
}

bool Tavola::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        firstActivation();
    return QMainWindow::event(event);
}

void Tavola::showEvent(QShowEvent *event)
{
    finishControls();
    QMainWindow::showEvent(event);
    if (m_activated || event->spontaneous())
        return;
    // Without a window manager nothing activates the window: ask for it, and start the
    // game anyway if no activation comes.
    activateWindow();
    auto *fallback = new QTimer(this);
    fallback->setObjectName(QStringLiteral("activationFallback"));
    fallback->setSingleShot(true);
    connect(fallback, &QTimer::timeout, this, [this, fallback] {
        firstActivation();
        fallback->deleteLater();
    });
    fallback->start(150);
}

void Tavola::firstActivation()
{
    if (m_activated)
        return;
    m_activated = true;
    handle([this] { Form_Activate(); });
    m_started = true;
}

void Tavola::closeEvent(QCloseEvent *event)
{
    // Closing from the title bar ends the program at once, with no goodbye and no record.
    event->accept();
    if (!m_ended)
        endProgram(0);
}

AgentCharacter &Tavola::merlin()
{
    return m_host.agent.Characters().Item(kMerlinId);
}

QString Tavola::numlett(Currency numer)
{
    return numberWords(numer);
}
