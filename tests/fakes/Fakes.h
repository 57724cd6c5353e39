// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "app/Tavola.h"
#include "platform/Host.h"
#include "platform/RecordHelper.h"
#include "base/RuntimeError.h"

#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>

// Records every request as a line such as "Speak 27", "Play Greet", "MoveTo 250 175".
class RecordingAgent : public Agent, private AgentCharacters, private AgentCharacter
{
public:
    AgentCharacters &Characters() override { return *this; }

    QStringList requests;
    QStringList loaded;
    // A request line that is refused with an error, as a component would refuse it.
    QString refuse;

private:
    void Load(const QString &id, const QString &file) override
    {
        record(QStringLiteral("Load %1 %2").arg(id, file));
        loaded << id;
    }
    AgentCharacter &Item(const QString &id) override
    {
        if (!loaded.contains(id) || refuse == QStringLiteral("Item"))
            throw RuntimeError(QStringLiteral("Personaggio non caricato: ") + id);
        return *this;
    }
    void Show() override { record(QStringLiteral("Show")); }
    void MoveTo(int x, int y) override { record(QStringLiteral("MoveTo %1 %2").arg(x).arg(y)); }
    void Play(const QString &animation) override { record(QStringLiteral("Play ") + animation); }
    void setHeight(int pixels) override { record(QStringLiteral("Height %1").arg(pixels)); }
    void Speak(const QString &text) override { record(QStringLiteral("Speak ") + text); }
    void record(const QString &line)
    {
        if (!refuse.isEmpty() && line == refuse)
            throw RuntimeError(QStringLiteral("Richiesta rifiutata: ") + line);
        requests << line;
    }
};

// Answers the name prompt from a script and remembers every box shown.
class ScriptedDialogs : public Dialogs
{
public:
    QString name;
    QStringList prompts;
    QStringList boxes;
    std::function<void(const QString &)> onBox; // runs while a box is "open"

    QString InputBox(const QString &prompt) override
    {
        prompts << prompt;
        return name;
    }
    void MsgBox(const QString &text) override
    {
        boxes << text;
        if (onBox)
            onBox(text);
    }
};

// Rnd returns the scripted values in turn, then repeats the last one.
class ScriptedRandom : public RandomSource
{
public:
    std::deque<float> values;
    float last = 0.0f;
    int reseeds = 0;
    void Randomize() override { ++reseeds; }
    float Rnd() override
    {
        if (!values.empty()) {
            last = values.front();
            values.pop_front();
        }
        return last;
    }
    // The draws that give this tint and second factor (each 1 to 10).
    void next(int colore, int num2)
    {
        values.push_back((colore - 1) / 10.0f + 0.05f);
        values.push_back((num2 - 1) / 10.0f + 0.05f);
    }
};

// A folder of the test's choosing, its records written by the real tirlindo-record of the build.
class FixedDirectory : public SystemDirectory
{
public:
    QString path;
    RecordHelper helper{QStringLiteral(TIRLINDO_TEST_RECORD_HELPER), QString()};
    QString GetWindowsDirectory() override { return path; }
    bool SaveRecord(const QString &folder, const QString &score, const QString &holder) override
    {
        return helper.save(folder, score, holder);
    }
    void RecoverRecord(const QString &folder) override { helper.recover(folder); }
};

class RecordingEnd : public ProgramEnd
{
public:
    QList<int> statuses;
    void End(int status) override { statuses << status; }
};

// A window with scripted surroundings and its record directory in a temporary folder.
struct Game
{
    RecordingAgent agent;
    ScriptedDialogs dialogs;
    ScriptedRandom random;
    FixedDirectory directory;
    RecordingEnd end;
    QTemporaryDir home;
    std::unique_ptr<Tavola> window;

    Game()
    {
        directory.path = home.path();
        window = std::make_unique<Tavola>(TavolaHost{agent, dialogs, random, directory, end});
    }
    QString recordFile(const QString &name) const { return home.filePath(name); }
};
