// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "character/Agent.h"
#include "agent/CharacterFile.h"
#include "agent/voice/Utterance.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QQueue>
#include <functional>
#include <memory>
#include <optional>

class BalloonWindow;
class CharacterWindow;
class WindowStacking;
class QTimer;
class RequestLog;
class QVariantAnimation;
class VoiceWorker;

// One loaded character. Each request is queued and returns at once; the queue is worked off
// on the UI thread's event loop, one request at a time, by timers and signals only.
class FloatingCharacter : public QObject, public AgentCharacter
{
    Q_OBJECT
public:
    // `voice` lives on a thread of its own; it, `windows` (which stacks the character's
    // windows) and `log` (none: requests are not logged) outlive the character.
    FloatingCharacter(const QString &id, CharacterFile file, VoiceWorker *voice, WindowStacking &windows,
                      RequestLog *log, QObject *parent = nullptr);
    ~FloatingCharacter() override;

    void Show() override;
    void MoveTo(int x, int y) override;
    void Play(const QString &animation) override;
    void setHeight(int pixels) override;
    void Speak(const QString &text) override;
    void beginExercise() override;

    // A routine fetched the character: the requests that follow are one routine's batch.
    void startBatch() { ++m_batch; }

    QString id() const { return m_id; }
    const CharacterFile &file() const { return m_file; }
    bool isBusy() const { return m_current.has_value() || !m_pending.isEmpty(); }
    int pendingCount() const { return int(m_pending.size()); }
    QString currentAnimation() const;
    int currentFrame() const { return m_frame; }
    CharacterWindow *window() const { return m_window.get(); }
    BalloonWindow *balloon() const { return m_balloon.get(); }

    // 0.1 runs animations, moves and silent speech ten times faster (tests, tools).
    void setTimeScale(double scale) { m_timeScale = scale; }
    void setAudioEnabled(bool enabled) { m_audio = enabled; }

Q_SIGNALS:
    void requestStarted(const QString &request);
    void requestFinished(const QString &request);
    void requestDropped(const QString &request);
    void queueEmptied();
    void frameShown(const QString &animation, int frame);
    void speechSynthesized(const Utterance &utterance);
    void balloonTextChanged(const QString &shown);

private:
    struct Request
    {
        enum Kind { Show, MoveTo, Play, Height, Speak } kind;
        QString text;
        QPoint point;
        quint64 batch = 0;
        bool exercise = false; // issued by the routine that dictates a new exercise
        quint64 number = 0;    // in the order of issue, for the request log
        QString describe() const;
    };

    void enqueue(Request request);
    void dropStale();
    void log(const char *event, const Request &request) const;
    void performNext();
    void perform(const Request &request);
    void done();

    void play(const CharacterAnimation &animation, bool loop, std::function<void()> then);
    void showFrame(int index);
    void advanceFrame();
    void startIdle();
    void moveSmoothly(QPoint to);
    void startSpeaking(const QString &text);
    void onProgress(int playedMs);
    void onMouthStepMissed();
    int mouthFrame(int playedMs);
    void onSpoken();
    int scaled(int ms) const;
    QPoint defaultPosition() const;

    WindowStacking &m_windows;
    QString m_id;
    CharacterFile m_file;
    std::unique_ptr<CharacterWindow> m_window;
    std::unique_ptr<BalloonWindow> m_balloon;
    QQueue<Request> m_pending;
    std::optional<Request> m_current;
    bool m_scheduled = false;
    quint64 m_batch = 0;
    quint64 m_exerciseBatch = 0; // the batch that last announced a new exercise
    quint64 m_issued = 0;

    const CharacterAnimation *m_animation = nullptr;
    int m_frame = 0;
    bool m_loop = false;
    std::function<void()> m_afterAnimation;
    QTimer *m_frameTimer = nullptr;
    QTimer *m_balloonTimer = nullptr;
    QTimer *m_mouthTimer = nullptr;
    QElapsedTimer m_sinceProgress;
    int m_playedMs = 0; // at the last step of the voice's clock
    int m_mouthMs = 0;  // what the mouth shows, never less than that
    int m_keySound = -1; // the last sound whose own mouth was shown
    QVariantAnimation *m_move = nullptr;
    QPoint m_position;

    VoiceWorker *m_voice = nullptr;
    RequestLog *m_log = nullptr;
    quint64 m_speechId = 0;
    Utterance m_utterance;
    QList<int> m_loudMouths;             // speaking frames by loudness, closed to widest
    QHash<QString, int> m_namedMouths;   // speaking frames by the mouth they show for a sound
    double m_timeScale = 1.0;
    bool m_audio = true;
};
