// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "app/Pictures.h"
#include "fakes/Fakes.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <future>

namespace {
// Runs the start as the program does: load (name box, record files, character), show, and
// the first activation, which dictates the first exercise.
bool startWholeGame(Game &game)
{
    game.window->load();
    game.window->show();
    if (!QTest::qWaitForWindowActive(game.window.get()))
        return false;
    return QTest::qWaitFor([&] { return game.agent.requests.count(QStringLiteral("Play Greet")) == 1; });
}

// Answers the exercise on display with Enter in the answer box, as a child does.
void answerWithEnter(Tavola &w, const QString &text)
{
    w.Text3->setFocus();
    QTest::keyClicks(w.Text3, text);
    QTest::keyClick(w.Text3, Qt::Key_Return);
}
} // namespace

// The window as the player first sees it, and its keyboard and failure behaviour.
class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        installFontSubstitutes();
        useProportionalInterfaceFont();
    }

    void clientAreaIs785By556AtStandardDpi();
    void captionCentresTheTitleWithLeadingSpaces();
    void controlsSitWhereTheDesignPutsThem_data();
    void controlsSitWhereTheDesignPutsThem();
    void shape5IsCutOffByTheRightEdge();
    void onlyTheDesignedControlsAreVisibleAtStart();
    void captionsAndToolTipsAreTheDesignedTexts();
    void controlsHaveTheDesignedFontsColoursBordersAndAlignment_data();
    void controlsHaveTheDesignedFontsColoursBordersAndAlignment();
    void bordersAreOneLineOfTheWindowTextColour();
    void picturesAreDrawnOnTheirFaces();
    void theIconIsTheDrawingAtEverySize_data();
    void theIconIsTheDrawingAtEverySize();
    void captionsThatFitTheirBoxAreNotClipped();
    void autoSizeLabelsGrowToTheRightAndFixedOnesDoNot();
    void labelLettersAreDrawnWhole();
    void panelsLieUnderLabelsAndShape1BehindTheAnswerBox();
    void focusRestsOnExitUntilTheFirstExerciseMovesItToTheAnswerBox();
    void tabOrderVisitsExitTheAnswerBoxAndTheEnabledNewExerciseButton();
    void menuBarHasFourEntriesThatDoNothing();
    void theMenuBarShowsEveryEntryInAProportionalFont();
    void visibleControlsHaveItalianSpokenNames();
    void enterAndSpaceClickTheFocusedNewExerciseButton();
    void accessKeysClickTheButtons();
    void answerBoxTakesAtMost250Characters();
    void keyHandlerSeesEveryCharacterBeforeTheBox();
    void deleteInTheAnswerBoxIsNotATypedCharacter();
    void anErrorInAHandlerIsReportedAndEndsWithFailure();
    void closingTheWindowEndsAtOnceWithoutARoutine();
    void activationRunsOnceEvenWithoutAWindowManager();
};

void WindowTest::clientAreaIs785By556AtStandardDpi()
{
    Game game;
    QCOMPARE(game.window->surface->size(), QSize(785, 556));
    game.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(game.window.get()));
    QCOMPARE(game.window->surface->size(), QSize(785, 556));
    QCOMPARE(game.window->surface->y(), game.window->menuBar()->height());
    QCOMPARE(game.window->minimumSize(), game.window->maximumSize());
}

void WindowTest::captionCentresTheTitleWithLeadingSpaces()
{
    Game game;
    const QString title = game.window->windowTitle();
    QVERIFY(title.startsWith(QString(83, u' ') + QStringLiteral("TIRLINDO")));
    QVERIFY(!title.startsWith(QString(84, u' ')));
}

void WindowTest::controlsSitWhereTheDesignPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    // Fixed-size controls keep the whole rectangle; auto-size labels keep the top-left.
    QTest::newRow("Text3") << "Text3" << QRect(208, 336, 457, 75);
    QTest::newRow("cmdNext") << "cmdNext" << QRect(208, 424, 121, 57);
    QTest::newRow("cmdExit1") << "cmdExit1" << QRect(544, 424, 121, 57);
    QTest::newRow("lblconto") << "lblconto" << QRect(624, 80, 105, 25);
    QTest::newRow("Label11") << "Label11" << QRect(618, 48, 121, 41);
    QTest::newRow("Image1") << "Image1" << QRect(659, 8, 32, 32);
    QTest::newRow("Label12") << "Label12" << QRect(8, 512, 153, 25);
    QTest::newRow("Label10") << "Label10" << QRect(376, 8, 41, 65);
    QTest::newRow("Shape4") << "Shape4" << QRect(0, 0, 225, 297);
    QTest::newRow("Shape2") << "Shape2" << QRect(8, 8, 209, 281);
    QTest::newRow("Shape5") << "Shape5" << QRect(560, 0, 233, 137);
    QTest::newRow("Shape3") << "Shape3" << QRect(567, 3, 220, 131);
    QTest::newRow("Shape1") << "Shape1" << QRect(192, 328, 489, 89);
    QTest::newRow("Text1") << "Text1" << QRect(240, 136, 129, 27);
    QTest::newRow("Text7") << "Text7" << QRect(304, 232, 73, 73);
    QTest::newRow("Picture1") << "Picture1" << QRect(272, 112, 65, 73);
    QTest::newRow("lblMessage") << "lblMessage" << QRect(424, 136, -1, -1);
    QTest::newRow("Label6") << "Label6" << QRect(24, 16, -1, -1);
    QTest::newRow("lblScore") << "lblScore" << QRect(96, 56, -1, -1);
    QTest::newRow("lblScore1") << "lblScore1" << QRect(104, 144, -1, -1);
    QTest::newRow("lblScore2") << "lblScore2" << QRect(104, 240, -1, -1);
    QTest::newRow("lblnome1") << "lblnome1" << QRect(8, 480, -1, -1);
    QTest::newRow("lblnome") << "lblnome" << QRect(160, 512, -1, -1);
    QTest::newRow("Label13") << "Label13" << QRect(400, 512, -1, -1);
    QTest::newRow("lblpunti") << "lblpunti" << QRect(512, 512, -1, -1);
    QTest::newRow("lblNum1") << "lblNum1" << QRect(256, 0, -1, -1);
    QTest::newRow("lblNum2") << "lblNum2" << QRect(504, 0, -1, -1);
}

void WindowTest::controlsSitWhereTheDesignPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    Game game;
    auto *control = game.window->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), game.window->surface);
    if (pixels.width() < 0)
        QCOMPARE(control->pos(), pixels.topLeft());
    else
        QCOMPARE(control->geometry(), pixels);
}

void WindowTest::shape5IsCutOffByTheRightEdge()
{
    Game game;
    QVERIFY(game.window->Shape5->geometry().right() >= game.window->surface->width() + 7);
}

void WindowTest::onlyTheDesignedControlsAreVisibleAtStart()
{
    Game game;
    game.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(game.window.get()));
    QStringList visible;
    for (QWidget *child : game.window->surface->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            visible << child->objectName();
    }
    visible.sort();
    QStringList expected = {"Text3", "cmdNext", "cmdExit1", "Shape1", "Shape2", "Shape3", "Shape4",
                            "Shape5", "Image1", "lblMessage", "lblconto", "Label11", "Label6",
                            "lblScore", "Label1", "lblScore1", "Label3", "lblScore2", "Label14",
                            "lblnome1", "Label12", "lblnome", "Label13", "lblpunti"};
    expected.sort();
    QCOMPARE(visible, expected);
    QVERIFY(!game.window->cmdNext->isEnabled());
    QVERIFY(game.window->cmdExit1->isEnabled());
    QVERIFY(!game.window->Timer1->isActive());
    QCOMPARE(game.window->Timer1->interval(), 1000);
}

void WindowTest::captionsAndToolTipsAreTheDesignedTexts()
{
    Game game;
    Tavola &w = *game.window;
    QCOMPARE(w.Text3->text(), QStringLiteral("Text3"));
    QCOMPARE(w.cmdNext->text(), QStringLiteral("&Nuovo calcolo"));
    QCOMPARE(w.cmdExit1->text(), QStringLiteral("E&xit"));
    QCOMPARE(w.lblMessage->caption(), QStringLiteral("io"));
    QCOMPARE(w.lblconto->caption(), QStringLiteral("00.07.00"));
    QCOMPARE(w.Label12->caption(), QStringLiteral("Il record  \u00e8 di "));
    QCOMPARE(w.lblnome->caption(), QStringLiteral("nome"));
    QCOMPARE(w.lblpunti->caption(), QStringLiteral("0"));
    QCOMPARE(w.lblnome1->caption(), QString());
    QCOMPARE(w.Label10->caption(), QStringLiteral("X"));
    QCOMPARE(w.Text1->text(), QStringLiteral("0"));
    QCOMPARE(w.Txtnome1->text(), QStringLiteral("Text8"));
    QCOMPARE(w.Command3->text(), QStringLiteral("verifica"));
    QCOMPARE(w.Text3->toolTip(), QStringLiteral("Scrivi il numero e poi premi  il tasto Return (Invio)"));
    QCOMPARE(w.cmdExit1->toolTip(), QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));
    QCOMPARE(w.cmdNext->toolTip(), QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
    QCOMPARE(w.lblScore->toolTip(), QStringLiteral("Questo \u00e8 il tuo punteggio. Forza con il  record"));
    QCOMPARE(w.Image1->toolTip(), QStringLiteral("Clicca sotto di me per impostare il Timer"));
    QCOMPARE(w.lblconto->palette().color(QPalette::Window), QColor(128, 128, 255));
    QCOMPARE(w.Text3->palette().color(QPalette::Base), QColor(255, 255, 128));
    QCOMPARE(w.Text3->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(w.cmdNext->faceColor(), QColor(255, 128, 255));
    QCOMPARE(w.cmdExit1->faceColor(), QColor(0, 192, 192));
    QVERIFY(w.lblMessage->font().bold() && w.lblMessage->font().italic());
    QCOMPARE(w.lblMessage->font().pointSizeF(), 24.0);
    QCOMPARE(w.Label6->font().pointSizeF(), 21.75);
}

void WindowTest::controlsHaveTheDesignedFontsColoursBordersAndAlignment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("back"); // invalid: transparent
    QTest::addColumn<bool>("border");
    QTest::addColumn<bool>("centred");
    const QColor clear, buttonText = systemColor(18);
    const QColor yellow(255, 255, 0), paleYellow(255, 255, 128), red(255, 0, 0), blue(0, 0, 255);
    const QColor purple(192, 0, 192), cyan(0, 255, 255);
    const QString sans = QStringLiteral("MS Sans Serif"), times = QStringLiteral("Times New Roman");
    // name, family, points, bold, italic, text, back, border, centred
    QTest::newRow("lblMessage") << "lblMessage" << sans << 24.0 << true << true << red << clear << false << true;
    QTest::newRow("lblconto") << "lblconto" << "Arial Black" << 12.0 << true << false << yellow << QColor(128, 128, 255) << true << true;
    QTest::newRow("Label11") << "Label11" << times << 14.25 << false << false << yellow << clear << false << false;
    QTest::newRow("Label6") << "Label6" << times << 21.75 << false << false << paleYellow << clear << true << true;
    QTest::newRow("lblScore") << "lblScore" << times << 21.75 << true << false << paleYellow << clear << true << true;
    QTest::newRow("Label1") << "Label1" << times << 21.75 << false << false << red << clear << true << false;
    QTest::newRow("lblScore1") << "lblScore1" << times << 21.75 << true << false << red << clear << true << true;
    QTest::newRow("Label3") << "Label3" << times << 21.75 << false << false << blue << clear << true << false;
    QTest::newRow("lblScore2") << "lblScore2" << times << 21.75 << true << false << blue << clear << true << true;
    QTest::newRow("Label14") << "Label14" << sans << 13.5 << false << false << yellow << clear << true << true;
    QTest::newRow("lblnome1") << "lblnome1" << sans << 13.5 << true << false << yellow << clear << true << false;
    QTest::newRow("Label12") << "Label12" << sans << 18.0 << false << false << purple << clear << false << false;
    QTest::newRow("lblnome") << "lblnome" << sans << 18.0 << true << false << blue << clear << false << false;
    QTest::newRow("Label13") << "Label13" << sans << 18.0 << false << false << purple << clear << false << false;
    QTest::newRow("lblpunti") << "lblpunti" << sans << 18.0 << false << false << purple << clear << false << false;
    QTest::newRow("lblNum1") << "lblNum1" << "Arial" << 48.0 << true << false << buttonText << cyan << true << true;
    QTest::newRow("Label10") << "Label10" << "Arial" << 48.0 << false << false << buttonText << QColor(128, 255, 255) << false << true;
    QTest::newRow("lblNum2") << "lblNum2" << "Arial" << 48.0 << true << false << buttonText << cyan << true << true;
    // Boxes and buttons: text on their base or face colour; no border column applies.
    QTest::newRow("Text3") << "Text3" << "Arial" << 48.0 << false << false << blue << paleYellow << false << true;
    QTest::newRow("Text1") << "Text1" << sans << 12.0 << true << false << QColor() << QColor(255, 128, 255) << false << false;
    QTest::newRow("Text6") << "Text6" << sans << 8.25 << false << false << QColor() << QColor() << false << false;
    QTest::newRow("Text7") << "Text7" << sans << 8.25 << false << false << QColor() << QColor() << false << false;
    QTest::newRow("Txtnome1") << "Txtnome1" << sans << 8.25 << false << false << QColor() << QColor() << false << false;
    QTest::newRow("cmdNext") << "cmdNext" << sans << 8.25 << true << false << QColor() << QColor(255, 128, 255) << false << true;
    QTest::newRow("cmdExit1") << "cmdExit1" << sans << 8.25 << true << false << QColor() << QColor(0, 192, 192) << false << true;
    QTest::newRow("Command3") << "Command3" << sans << 8.25 << false << false << QColor() << QColor() << false << true;
}

void WindowTest::controlsHaveTheDesignedFontsColoursBordersAndAlignment()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QColor, text);
    QFETCH(QColor, back);
    QFETCH(bool, border);
    QFETCH(bool, centred);
    Game game;
    auto *control = game.window->findChild<QWidget *>(name);
    QVERIFY(control);
    const QFont font = control->font();
    // Arial Black, where it is missing, stands in as an extra-bold sans of its own family.
    if (family == QLatin1String("Arial Black") && font.family() != family)
        QVERIFY(font.weight() >= QFont::ExtraBold);
    else
        QCOMPARE(font.family(), family);
    auto *label = qobject_cast<Label *>(control);
    // A fixed-size label may take a smaller size where a wider stand-in font would cut it.
    if (label && !label->autoSize())
        QVERIFY(font.pointSizeF() <= points && font.pointSizeF() > points * 0.7);
    else
        QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.bold(), bold);
    QCOMPARE(font.italic(), italic);
    if (label) {
        QCOMPARE(label->palette().color(QPalette::WindowText), text);
        QCOMPARE(label->autoFillBackground(), back.isValid());
        if (back.isValid())
            QCOMPARE(label->palette().color(QPalette::Window), back);
        QCOMPARE(label->frameShape() != QFrame::NoFrame, border);
        QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), centred);
    } else if (auto *box = qobject_cast<TextBox *>(control)) {
        if (text.isValid())
            QCOMPARE(box->palette().color(QPalette::Text), text);
        if (back.isValid())
            QCOMPARE(box->palette().color(QPalette::Base), back);
        QCOMPARE(bool(box->alignment() & Qt::AlignHCenter), centred);
    } else if (auto *button = qobject_cast<PictureButton *>(control)) {
        QCOMPARE(button->faceColor(), back);
    }
}

void WindowTest::bordersAreOneLineOfTheWindowTextColour()
{
    Game game;
    Tavola &w = *game.window;
    w.lblNum1->setCaption(QStringLiteral("9"));
    w.lblNum2->setCaption(QStringLiteral("3"));
    w.lblnome1->setCaption(QStringLiteral("Ada"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QColor line = systemColor(8);
    for (Label *label : w.surface->findChildren<Label *>()) {
        if (label->frameShape() == QFrame::NoFrame)
            continue;
        label->show();
        const QImage drawn = w.surface->grab(label->geometry()).toImage();
        const int right = drawn.width() - 1, bottom = drawn.height() - 1;
        const QString where = label->objectName();
        // All four sides the same single line: a sunken edge has light and dark sides.
        for (const QPoint &p : {QPoint(right / 2, 0), QPoint(0, bottom / 2), QPoint(right / 2, bottom),
                                QPoint(right, bottom / 2)})
            QVERIFY2(drawn.pixelColor(p) == line, qPrintable(QStringLiteral("%1 edge at %2,%3 is %4")
                                                                 .arg(where).arg(p.x()).arg(p.y())
                                                                 .arg(drawn.pixelColor(p).name())));
        // One line wide: just inside it the panel or the label's own background shows.
        for (const QPoint &p : {QPoint(1, 1), QPoint(right - 1, 1)})
            QVERIFY2(drawn.pixelColor(p) != line, qPrintable(where));
    }
}

void WindowTest::picturesAreDrawnOnTheirFaces()
{
    Game game;
    Tavola &w = *game.window;
    const QCursor duck = w.surface->cursor();
    QCOMPARE(duck.shape(), Qt::BitmapCursor);
    QCOMPARE(duck.pixmap().deviceIndependentSize(), QSizeF(48, 48));
    QCOMPARE(duck.hotSpot(), QPoint(2, 2));
    QVERIFY(duck.pixmap().toImage().pixelColor(2, 2).alpha() > 0); // the beak tip is drawn there
    QVERIFY(!w.windowIcon().isNull());
    // The new-exercise button changes face with its state; each face is a real picture.
    QVERIFY(w.cmdNext->currentPicture().endsWith(QStringLiteral("face-laugh.svg")));
    w.cmdNext->setEnabled(true);
    QVERIFY(w.cmdNext->currentPicture().endsWith(QStringLiteral("face-smile.svg")));
    w.cmdNext->setDown(true);
    QVERIFY(w.cmdNext->currentPicture().endsWith(QStringLiteral("face-straight.svg")));
    w.cmdNext->setDown(false);
    const QImage face = w.cmdNext->grab().toImage();
    const QPoint middle(face.width() / 2, face.height() / 2 - 8);
    QVERIFY(face.pixelColor(middle) != QColor(255, 128, 255)); // the picture sits above the caption
    QCOMPARE(face.pixelColor(6, face.height() / 2), QColor(255, 128, 255));
    QCOMPARE(w.Image1->pixmap().deviceIndependentSize(), QSizeF(32, 32));
}

void WindowTest::theIconIsTheDrawingAtEverySize_data()
{
    QTest::addColumn<int>("side");
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%d", side) << side;
}

void WindowTest::theIconIsTheDrawingAtEverySize()
{
    // The program draws its icon on a thread of its own: the pixels must be those of the
    // pictures drawn on the window's thread, as a desktop gets them.
    QFETCH(int, side);
    static const QIcon icon = Pictures::icon(std::async(std::launch::async, &Pictures::iconImages).get());
    const QImage expected = Pictures::pixmap(Pictures::Icon, QSize(side, side), 1.0).toImage();
    const QImage made = icon.pixmap(QSize(side, side)).toImage();
    QCOMPARE(made.size(), QSize(side, side));
    QCOMPARE(made.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    QVERIFY(made.pixelColor(side / 2, side / 2).alpha() > 0);
}

void WindowTest::captionsThatFitTheirBoxAreNotClipped()
{
    Game game;
    for (Label *label : game.window->surface->findChildren<Label *>()) {
        const QFontMetrics fm(label->font());
        QRect needed = fm.boundingRect(label->contentsRect(), int(label->alignment()), label->caption());
        // A fixed-size box may lose the line spacing around its letters, not the letters.
        if (!label->autoSize()) {
            needed.setHeight(qMin(needed.height(), label->contentsRect().height()));
            needed.setWidth(fm.tightBoundingRect(label->caption()).width());
            needed.moveLeft(qMax(0, needed.left()));
        }
        QVERIFY2(label->contentsRect().contains(needed),
                 qPrintable(QStringLiteral("%1: text %2 in %3").arg(label->objectName())
                                .arg(QDebug::toString(needed), QDebug::toString(label->contentsRect()))));
    }
}

void WindowTest::autoSizeLabelsGrowToTheRightAndFixedOnesDoNot()
{
    Game game;
    Tavola &w = *game.window;
    const QRect before = w.lblScore->geometry();
    w.lblScore->setCaption(QStringLiteral("10"));
    QCOMPARE(w.lblScore->pos(), before.topLeft());
    QVERIFY(w.lblScore->width() > before.width());
    w.lblScore->setCaption(QStringLiteral("1"));
    QVERIFY(w.lblScore->width() < before.width() + 1);

    const QRect name = w.lblnome1->geometry();
    w.lblnome1->setCaption(QStringLiteral("Bartolomeo"));
    QCOMPARE(w.lblnome1->pos(), name.topLeft());
    QVERIFY(w.lblnome1->width() > QFontMetrics(w.lblnome1->font()).horizontalAdvance(QStringLiteral("Bartolomeo")));

    const QRect clock = w.lblconto->geometry();
    w.lblconto->setCaption(QStringLiteral("00:06:59 e ancora tanto"));
    QCOMPARE(w.lblconto->geometry(), clock);
}

void WindowTest::labelLettersAreDrawnWhole()
{
    Game game;
    Tavola &w = *game.window;
    w.lblNum1->setCaption(QStringLiteral("9"));
    w.lblNum2->setCaption(QStringLiteral("10"));
    w.lblScore->setCaption(QStringLiteral("8"));
    for (Label *label : {w.lblNum1, w.lblNum2, w.Label10, w.lblScore, w.Label6, w.lblconto, w.lblpunti}) {
        label->show();
        // The rows inside the border that hold ink of the text colour must be as many as
        // the glyphs are tall.
        const QImage drawn = label->grab(label->contentsRect()).toImage();
        const QColor ink = label->palette().color(QPalette::WindowText);
        int first = -1, last = -1;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                if (drawn.pixelColor(x, y) == ink) {
                    first = first < 0 ? y : first;
                    last = y;
                    break;
                }
            }
        }
        const int glyphs = QFontMetrics(label->font()).tightBoundingRect(label->caption()).height();
        QVERIFY2(first > 0 && last < drawn.height() - 1 && last - first + 3 >= glyphs,
                 qPrintable(QStringLiteral("%1: ink rows %2..%3 of %4, glyphs %5 tall")
                                .arg(label->objectName()).arg(first).arg(last).arg(drawn.height()).arg(glyphs)));
    }
}

void WindowTest::panelsLieUnderLabelsAndShape1BehindTheAnswerBox()
{
    Game game;
    const QObjectList order = game.window->surface->children();
    auto at = [&](QWidget *w) { return order.indexOf(w); };
    Tavola &w = *game.window;
    QVERIFY(at(w.Shape5) < at(w.Shape4));
    QVERIFY(at(w.Shape4) < at(w.Shape3));
    QVERIFY(at(w.Shape3) < at(w.Shape2));
    QVERIFY(at(w.Shape2) < at(w.Label6));
    QVERIFY(at(w.Shape3) < at(w.lblconto));
    QVERIFY(at(w.lblMessage) < at(w.Shape1));
    QVERIFY(at(w.Shape1) < at(w.cmdExit1));
    QVERIFY(at(w.Shape1) < at(w.Text3));
    QVERIFY(at(w.Text3) < at(w.Picture1));
    QVERIFY(at(w.Text7) < at(w.Txtnome1));
    // What the player sees where the band and the box overlap: the box.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.surface->childAt(w.Text3->geometry().center()), w.Text3);
    QCOMPARE(w.surface->childAt(w.Shape1->geometry().topLeft() + QPoint(2, 2)), w.Shape1);
    QCOMPARE(w.surface->childAt(w.Label6->geometry().center()), w.Label6);
}

void WindowTest::focusRestsOnExitUntilTheFirstExerciseMovesItToTheAnswerBox()
{
    Game game;
    game.agent.loaded << kMerlinId;
    Tavola &w = *game.window;
    w.show();
    // Shown, not yet activated: the first enabled control in tab order holds the focus.
    QCOMPARE(w.focusWidget(), w.cmdExit1);
    QVERIFY(game.agent.requests.isEmpty());
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(game.agent.requests.count(QStringLiteral("Play Greet")), 1);
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    QVERIFY(w.Text3->text().isEmpty());
    QVERIFY(game.end.statuses.isEmpty());
}

void WindowTest::tabOrderVisitsExitTheAnswerBoxAndTheEnabledNewExerciseButton()
{
    Game game;
    QVERIFY(startWholeGame(game));
    Tavola &w = *game.window;
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.cmdExit1); // cmdNext is still disabled
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    w.cmdNext->setEnabled(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.cmdNext);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.cmdExit1);
    QCOMPARE(w.lblScore->focusPolicy(), Qt::NoFocus);
    QVERIFY(game.end.statuses.isEmpty());
}

void WindowTest::visibleControlsHaveItalianSpokenNames()
{
    Game game;
    Tavola &w = *game.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto spoken = [](QWidget *widget) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    for (QWidget *child : w.surface->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        // A label with nothing on it is passed over, as a sighted child passes it over.
        auto *label = qobject_cast<QLabel *>(child);
        if (child->isVisible() && !qobject_cast<Shape *>(child) && !(label && label->text().isEmpty()))
            QVERIFY2(!spoken(child).trimmed().isEmpty(), qPrintable(child->objectName()));
    }
    w.lblScore->setCaption(QStringLiteral("4"));
    QCOMPARE(spoken(w.lblScore), QStringLiteral("4"));
    QCOMPARE(spoken(w.cmdExit1), QStringLiteral("Esci"));
    QCOMPARE(spoken(w.Text3), QStringLiteral("Risultato"));
    w.lblconto->setCaption(QStringLiteral("00:06:59"));
    QCOMPARE(spoken(w.lblconto), QStringLiteral("00:06:59"));
    w.lblMessage->setCaption(QStringLiteral("Sbagliato!! 27"));
    QCOMPARE(spoken(w.lblMessage), QStringLiteral("Sbagliato!! 27"));
}

void WindowTest::menuBarHasFourEntriesThatDoNothing()
{
    Game game;
    const QList<QAction *> entries = game.window->menuBar()->actions();
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries.at(2)->text(), QStringLiteral("Software freeware"));
    QCOMPARE(entries.at(0)->menu()->actions().size(), 1);
    QCOMPARE(entries.at(1)->menu()->actions().size(), 2);
    for (QAction *entry : entries)
        QVERIFY(!entry->text().contains(u'&'));
    entries.at(3)->trigger();
    game.window->findChild<QAction *>(QStringLiteral("posta"))->trigger();
    QVERIFY(game.agent.requests.isEmpty());
    QVERIFY(game.dialogs.boxes.isEmpty());
    QVERIFY(game.end.statuses.isEmpty());
}

void WindowTest::theMenuBarShowsEveryEntryInAProportionalFont()
{
    Game game;
    QVERIFY(startWholeGame(game));
    QMenuBar *bar = game.window->menuBar();
    QVERIFY(!QFontInfo(bar->font()).fixedPitch());
    for (QAction *entry : bar->actions()) // none behind the bar's overflow arrow
        QVERIFY2(bar->rect().contains(bar->actionGeometry(entry)), qPrintable(entry->text()));
}

void WindowTest::enterAndSpaceClickTheFocusedNewExerciseButton()
{
    Game game;
    QVERIFY(startWholeGame(game));
    Tavola &w = *game.window;
    auto dictations = [&] { return game.agent.requests.count(QStringLiteral("Play Greet")); };
    int expected = 1;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        game.random.next(2, 4);
        answerWithEnter(w, QStringLiteral("5"));
        QCOMPARE(QApplication::focusWidget(), w.cmdNext);
        ++expected; // the wrong answer opens its correction with the same wave
        QCOMPARE(dictations(), expected);
        QTest::keyClick(w.cmdNext, key);
        ++expected;
        QCOMPARE(dictations(), expected);
        QCOMPARE(w.Text7->text(), QStringLiteral("36"));
        QCOMPARE(QApplication::focusWidget(), w.Text3);
    }
    // A held-down Enter does not race through exercises.
    answerWithEnter(w, QStringLiteral("5"));
    const int before = dictations();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
    QApplication::sendEvent(w.cmdNext, &repeat);
    QCOMPARE(dictations(), before);
    QCOMPARE(QApplication::focusWidget(), w.cmdNext);
    QVERIFY(game.end.statuses.isEmpty());
}

void WindowTest::accessKeysClickTheButtons()
{
    Game game;
    QVERIFY(startWholeGame(game));
    Tavola &w = *game.window;
    answerWithEnter(w, QStringLiteral("5"));
    const int before = game.agent.requests.count(QStringLiteral("Play Greet"));
    game.random.next(2, 8);
    QTest::keyClick(&w, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(game.agent.requests.count(QStringLiteral("Play Greet")), before + 1);
    QCOMPARE(w.Text7->text(), QStringLiteral("72"));
    QVERIFY(game.dialogs.boxes.size() == 1); // the greeting only
    QTest::keyClick(&w, Qt::Key_X, Qt::AltModifier);
    QTRY_COMPARE(game.end.statuses, QList<int>{0});
    QCOMPARE(game.dialogs.boxes.last(), QStringLiteral("Ciao. Ti aspetto per la prossima sfida "));
}

void WindowTest::answerBoxTakesAtMost250Characters()
{
    Game game;
    Tavola &w = *game.window;
    w.Text3->clear();
    QTest::keyClicks(w.Text3, QString(260, u'7'));
    QCOMPARE(w.Text3->text(), QString(250, u'7'));
}

void WindowTest::keyHandlerSeesEveryCharacterBeforeTheBox()
{
    Game game;
    TextBox box(nullptr);
    QList<int> codes;
    QStringList textSeen;
    box.keyPressHandler = [&](Integer &code) {
        codes << code;
        textSeen << box.text();
        if (code == 'z')
            code = 0;
    };
    QTest::keyClicks(&box, QStringLiteral("2z7"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_Egrave, QStringLiteral("\u00e8"), Qt::NoModifier);
    // Keys that type nothing are not characters: the arrows, and Delete, which X11 sends
    // with the text DEL; the box still acts on them.
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    QTest::keyClick(&box, Qt::Key_Right);
    QTest::keyClick(&box, Qt::Key_Up);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(codes, (QList<int>{'2', 'z', '7', 8, 13, 27, 0xE8}));
    QCOMPARE(textSeen.at(2), QStringLiteral("2")); // the handler runs before the box takes the key
    QCOMPARE(box.text(), QStringLiteral("2"));
}

void WindowTest::deleteInTheAnswerBoxIsNotATypedCharacter()
{
    Game game;
    QVERIFY(startWholeGame(game));
    Tavola &w = *game.window;
    QVERIFY(w.surface->hasDrawing());
    QTest::sendKeyEvent(QTest::Click, w.Text3, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    QVERIFY(w.surface->hasDrawing()); // the gradient stays
    QVERIFY(w.lblNum1->isHidden() && w.Label10->isHidden() && w.lblNum2->isHidden());
    QTest::keyClick(w.Text3, Qt::Key_2);
    QVERIFY(!w.surface->hasDrawing());
    QVERIFY(w.lblNum1->isVisible() && w.Label10->isVisible() && w.lblNum2->isVisible());
}

void WindowTest::anErrorInAHandlerIsReportedAndEndsWithFailure()
{
    Game game;
    game.agent.loaded << kMerlinId;
    Tavola &w = *game.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_VERIFY(w.Timer1->isActive() || game.agent.requests.contains(QStringLiteral("Play Greet")));
    // The character refuses the dictation's animation: what came before it stays done.
    game.random.next(3, 7);
    game.agent.refuse = QStringLiteral("Play Greet");
    w.Text3->setText(QStringLiteral("12"));
    w.cmdNext->setEnabled(true);
    QTest::mouseClick(w.cmdNext, Qt::LeftButton);
    QCOMPARE(game.end.statuses, QList<int>{1});
    QCOMPARE(game.dialogs.boxes.size(), 1);
    QVERIFY(game.dialogs.boxes.at(0).contains(QStringLiteral("Richiesta rifiutata: Play Greet")));
    QCOMPARE(w.Text7->text(), QStringLiteral("63"));
    QCOMPARE(w.Text3->text(), QStringLiteral("12"));
    QVERIFY(w.ended());
    // Nothing runs after the end.
    QTest::mouseClick(w.cmdExit1, Qt::LeftButton);
    QCOMPARE(game.dialogs.boxes.size(), 1);
    QCOMPARE(game.end.statuses.size(), 1);
}

void WindowTest::closingTheWindowEndsAtOnceWithoutARoutine()
{
    Game game;
    game.agent.loaded << kMerlinId;
    game.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(game.window.get()));
    game.window->close();
    QCOMPARE(game.end.statuses, QList<int>{0});
    QVERIFY(game.dialogs.boxes.isEmpty());
    QVERIFY(!QFile::exists(game.recordFile(QStringLiteral("aquizrec9.txt"))));
}

void WindowTest::activationRunsOnceEvenWithoutAWindowManager()
{
    Game game;
    game.agent.loaded << kMerlinId;
    Tavola &w = *game.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(game.agent.requests.count(QStringLiteral("Play Greet")), 1);
    w.activateWindow();
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &deactivate);
    QApplication::sendEvent(&w, &activate);
    // Past the fallback that starts a game no one activates.
    QTRY_VERIFY(!w.findChild<QTimer *>(QStringLiteral("activationFallback")));
    QCOMPARE(game.agent.requests.count(QStringLiteral("Play Greet")), 1);
    QCOMPARE(w.lblconto->caption(), QStringLiteral("00.07.00"));
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
