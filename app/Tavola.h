// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "app/Controls.h"
#include "base/Integer.h"
#include "character/Agent.h"
#include "character/NumberWords.h"
#include "countdown/CountdownClock.h"
#include "platform/FileTable.h"
#include "platform/Host.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>

// What the window needs from outside the process.
struct TavolaHost
{
    Agent &agent;
    Dialogs &dialogs;
    RandomSource &random;
    SystemDirectory &directory;
    ProgramEnd &end;
};

// The game's one window: its controls, its state and its routines.
class Tavola : public QMainWindow
{
    Q_OBJECT
public:
    // Now: the controls are made, measured and given their pictures in the constructor.
    // Later: by finishControls(), which the program calls once its first box is on screen;
    // the load routine (after its first box) and showing the window call it in any case.
    enum class Finish { Now, Later };
    explicit Tavola(TavolaHost host, QWidget *parent = nullptr, Finish finish = Finish::Now);

    // Makes the controls, fits the captions to their fonts and draws the pictures; once only.
    void finishControls();

    // Runs the load routine under the failure rule; main() calls it before show().
    void load();

    // ---- Routines (they call one another directly, whatever the state of the controls)
    void Form_Load();
    void Form_Activate();
    void cmdNext_Click();
    void Text3_KeyPress(Integer &KeyAscii);
    void Command3_Click();
    void cmdExit1_Click();
    void Timer1_Timer();

    QString numlett(Currency numer);
    QString Leggifiletxt(const QString &nomefile);
    QString GetSystemDir();

    // Runs a routine as an event handler: an error it raises is reported in a box and ends
    // the program with a non-zero status. Nothing runs once the program has ended.
    void handle(const std::function<void()> &routine);
    bool ended() const { return m_ended; }

    // ---- Controls, under their design names (none until finishControls())
    FormSurface *surface = nullptr;
    TextBox *Text3 = nullptr, *Text1 = nullptr, *Text6 = nullptr, *Text7 = nullptr, *Txtnome1 = nullptr;
    PictureButton *cmdNext = nullptr, *cmdExit1 = nullptr;
    QPushButton *Command3 = nullptr;
    QWidget *Picture1 = nullptr;
    Label *lblMessage = nullptr, *lblconto = nullptr, *Label11 = nullptr, *Label6 = nullptr, *lblScore = nullptr,
          *Label1 = nullptr, *lblScore1 = nullptr, *Label3 = nullptr, *lblScore2 = nullptr, *Label14 = nullptr,
          *lblnome1 = nullptr, *Label12 = nullptr, *lblnome = nullptr, *Label13 = nullptr, *lblpunti = nullptr,
          *lblNum1 = nullptr, *Label10 = nullptr, *lblNum2 = nullptr;
    QLabel *Image1 = nullptr;
    Shape *Shape1 = nullptr, *Shape2 = nullptr, *Shape3 = nullptr, *Shape4 = nullptr, *Shape5 = nullptr;
    QTimer *Timer1 = nullptr;

    // ---- State
    Integer prodotto, nesatte, nerrate, num1, num2, colore, nfile, attesa;
    QString punteggio;
    CountdownTime conto; // ore, minuti, secondi
    QString cartella;

    // The window's own surface in twips, as the design gives it.
    static constexpr int ClientWidth = 11775;
    static constexpr int ClientHeight = 8340;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void createControls();
    void createMenus();
    void setStackingAndTabOrder();
    void avviaTimer();
    void paintGradient();
    void tellScreenReader(QWidget *control, const QString &text);
    void firstActivation();
    void endProgram(int status);
    AgentCharacter &merlin();
    QString recordPath(const QString &fileName) const;

    TavolaHost m_host;
    FileTable m_files;
    bool m_activated = false; // the activation routine has run (or is running)
    bool m_started = false;   // the activation routine has finished: ticks may count
    bool m_ending = false;    // the end routine has begun
    bool m_ended = false;
    Finish m_finish;
    bool m_finished = false;
    QList<std::pair<Label *, QString>> m_shrunk; // fixed-size labels and their design captions
    QLabel *m_lastTold = nullptr; // never shown: see tellScreenReader()
};
