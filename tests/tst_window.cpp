// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "app/Pictures.h"
#include "fakes/Fakes.h"

#include <QAccessible>
#include <QApplication>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <future>

// The window as the player first sees it, and its keyboard and failure behaviour.
class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installFontSubstitutes(); }

    void clientAreaIs785By556AtStandardDpi();
    void captionCentresTheTitleWithLeadingSpaces();
    void controlsSitWhereTheDesignPutsThem_data();
    void controlsSitWhereTheDesignPutsThem();
    void shape5IsCutOffByTheRightEdge();
    void onlyTheDesignedControlsAreVisibleAtStart();
    void captionsAndToolTipsAreTheDesignedTexts();
    void picturesAreDrawnOnTheirFaces();
    void theIconIsTheDrawingAtEverySize_data();
    void theIconIsTheDrawingAtEverySize();
    void captionsThatFitTheirBoxAreNotClipped();
    void autoSizeLabelsGrowToTheRightAndFixedOnesDoNot();
    void labelLettersAreDrawnWhole();
    void panelsLieUnderLabelsAndShape1BehindTheAnswerBox();
    void tabOrderStartsOnExitAndVisitsTheAnswerBox();
    void menuBarHasFourEntriesThatDoNothing();
    void visibleControlsHaveItalianSpokenNames();
    void enterAndSpaceClickTheFocusedNewExerciseButton();
    void accessKeysClickTheButtons();
    void answerBoxTakesAtMost250Characters();
    void keyHandlerSeesEveryCharacterBeforeTheBox();
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
        // The rows that hold ink of the text colour must be as many as the glyphs are tall.
        const QImage drawn = label->grab().toImage();
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

void WindowTest::tabOrderStartsOnExitAndVisitsTheAnswerBox()
{
    Game game;
    Tavola &w = *game.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), w.cmdExit1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.Text3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.cmdExit1); // cmdNext is still disabled
    w.cmdNext->setEnabled(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.cmdNext);
    QCOMPARE(w.lblScore->focusPolicy(), Qt::NoFocus);
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
        if (child->isVisible() && !qobject_cast<Shape *>(child))
            QVERIFY2(!spoken(child).trimmed().isEmpty(), qPrintable(child->objectName()));
    }
    w.lblScore->setCaption(QStringLiteral("4"));
    QCOMPARE(spoken(w.lblScore), QStringLiteral("Risposte esatte: 4"));
    QCOMPARE(spoken(w.cmdExit1), QStringLiteral("Esci"));
    QCOMPARE(spoken(w.Text3), QStringLiteral("Risultato"));
    w.lblconto->setCaption(QStringLiteral("00:06:59"));
    QCOMPARE(spoken(w.lblconto), QStringLiteral("Tempo restante: 00:06:59"));
    w.lblMessage->setCaption(QStringLiteral("Sbagliato!! 27"));
    QCOMPARE(spoken(w.lblMessage), QStringLiteral("Esito: Sbagliato!! 27"));
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

void WindowTest::enterAndSpaceClickTheFocusedNewExerciseButton()
{
    Game game;
    Tavola &w = *game.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.cmdNext->setEnabled(true);
    QSignalSpy clicks(w.cmdNext, &QPushButton::clicked);
    w.cmdNext->setFocus();
    QTest::keyClick(w.cmdNext, Qt::Key_Return);
    QCOMPARE(clicks.size(), 1);
    w.cmdNext->setFocus();
    QTest::keyClick(w.cmdNext, Qt::Key_Enter);
    QCOMPARE(clicks.size(), 2);
    w.cmdNext->setFocus();
    QTest::keyClick(w.cmdNext, Qt::Key_Space);
    QCOMPARE(clicks.size(), 3);
    // A held-down Enter does not race through exercises.
    w.cmdNext->setFocus();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
    QApplication::sendEvent(w.cmdNext, &repeat);
    QCOMPARE(clicks.size(), 3);
}

void WindowTest::accessKeysClickTheButtons()
{
    Game game;
    Tavola &w = *game.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.cmdNext->setEnabled(true);
    QSignalSpy next(w.cmdNext, &QPushButton::clicked);
    QSignalSpy exit(w.cmdExit1, &QPushButton::clicked);
    QTest::keyClick(&w, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(next.size(), 1);
    QTest::keyClick(&w, Qt::Key_X, Qt::AltModifier);
    QTRY_COMPARE(exit.size(), 1);
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
    QTest::keyClick(&box, Qt::Key_Left); // types nothing: not a character
    QCOMPARE(codes, (QList<int>{'2', 'z', '7', 8, 13, 27, 0xE8}));
    QCOMPARE(textSeen.at(2), QStringLiteral("2")); // the handler runs before the box takes the key
    QCOMPARE(box.text(), QStringLiteral("2\u00e8"));
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
    QTest::qWait(200); // past the fallback that starts a game no one activates
    QCOMPARE(game.agent.requests.count(QStringLiteral("Play Greet")), 1);
    QCOMPARE(w.lblconto->caption(), QStringLiteral("00.07.00"));
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
