// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#pragma once

#include "agent/voice/SoundOutput.h"

#include <QElapsedTimer>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;
class QTimer;

// The voice's samples, played through the sound server on a thread of its own (the owner
// moves it there). The server is reached through libpulse's own thread; nothing in here waits
// for it longer than a bounded time, so a frozen server holds no one. When the server goes
// away the output says so at once and tries again every second, so the voice comes back with
// the server, or with another one that takes its place.
class AudioOutput : public QObject, public SoundOutput
{
public:
    AudioOutput();
    ~AudioOutput() override;

    // Called from the voice's thread.
    void play(quint64 id, const QByteArray &pcm, int durationMs) override;
    void stop() override;
    Progress progress() const override;

    // Called on the output's thread, last: closes the stream while the sound library is
    // whole, then ends the thread.
    void close();
    // From any thread: every wait in here gives up at once.
    void abandon() { m_exiting = true; }

private:
    enum State { Closed, Ready, Broken };

    // Holds libpulse's lock: its thread only ever holds it briefly, never while waiting.
    struct Locked
    {
        explicit Locked(pa_threaded_mainloop *loop);
        ~Locked();
        pa_threaded_mainloop *m_loop;
    };

    static void contextChanged(pa_context *context, void *self);
    static void streamChanged(pa_stream *stream, void *self);
    static void ranDry(pa_stream *, void *self);
    static void timingCame(pa_stream *, int, void *self);
    void notify();
    // From libpulse's thread, when the connection or the stream failed.
    void wentAway();
    bool waitForServer(const std::function<bool()> &settled);
    bool connectToServer();
    void disconnectFromServer();
    void lost(quint64 generation);
    void startPhrase();
    void tick();
    void dropPhrase();
    qint64 processedUs();
    qsizetype bytesFree();
    bool write(const char *data, qsizetype size, bool last);

    std::atomic<bool> m_exiting{false};
    std::atomic<int> m_state{Closed};
    std::atomic<quint64> m_wantedId{0}; // the phrase the voice still wants played
    std::atomic<quint64> m_playingId{0};
    std::atomic<quint64> m_finishedId{0};
    std::atomic<quint64> m_interruptedId{0};
    std::atomic<int> m_interruptedAtMs{0};
    std::atomic<int> m_playedMs{0};
    std::atomic<qint64> m_progressAt{0};
    std::atomic<qint64> m_healthyAt{-1};

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::atomic<quint64> m_generation{0}; // of the connection: a late word from an old one is ignored
    bool m_loopStarted = false;
    std::atomic<int> m_contextState{0};
    std::atomic<int> m_streamState{0};
    std::atomic<bool> m_idle{true}; // the server ran out of data to play
    bool m_timingAsked = false;     // under libpulse's lock
    std::mutex m_waitMutex;
    std::condition_variable m_changed;
    QTimer *m_timer = nullptr;
    QTimer *m_retry = nullptr;
    QByteArray m_pcm;
    quint64 m_id = 0;
    qsizetype m_written = 0;
    qint64 m_baseUs = 0;
    qint64 m_lastProcessedUs = -1;
    qint64 m_lastTickAt = 0; // on the clock that counts a suspend
    int m_durationMs = 0;
    bool m_probing = false;
    QElapsedTimer m_wall;
};
