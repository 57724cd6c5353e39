// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "agent/FloatingCharacter.h"

#include "base/RuntimeError.h"
#include "agent/RequestLog.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/VoiceWorker.h"
#include "agent/windows/BalloonWindow.h"
#include "agent/windows/CharacterWindow.h"
#include "agent/windows/WindowStacking.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVariantAnimation>
#include <cmath>

namespace {
constexpr double kMovePixelsPerSecond = 900;
constexpr int kLongestMoveMs = 1200;
// Long enough to read the last word, short enough not to cover the game.
constexpr int kBalloonLingerMs = 1500;
// The voice's clock steps every 20 ms, and a step reaches the mouth about 20 ms after the sound
// output read it (bench/agent/lip_sync.py): the lips show what is heard that much later.
constexpr int kMouthLeadMs = 20;
// A step of the voice's clock that does not come on time (the sound output's own clock steps
// every 20 ms as well, and the two beat) is made up for once, from the time gone since the
// last, never more than two steps ahead.
constexpr int kMouthStepMs = 20;

} // namespace

QString FloatingCharacter::Request::describe() const
{
    switch (kind) {
    case Show:
        return QStringLiteral("Show");
    case MoveTo:
        return QStringLiteral("MoveTo(%1,%2)").arg(point.x()).arg(point.y());
    case Play:
        return QStringLiteral("Play(%1)").arg(text);
    case Height:
        return QStringLiteral("Height(%1)").arg(point.y());
    case Speak:
        return QStringLiteral("Speak(%1)").arg(text);
    }
    return {};
}

FloatingCharacter::FloatingCharacter(const QString &id, CharacterFile file, VoiceWorker *voice,
                                     WindowStacking &windows, RequestLog *log, QObject *parent)
    : QObject(parent)
    , m_windows(windows)
    , m_id(id)
    , m_file(std::move(file))
    , m_window(std::make_unique<CharacterWindow>(m_file, windows))
    , m_balloon(std::make_unique<BalloonWindow>(windows))
    , m_frameTimer(new QTimer(this))
    , m_balloonTimer(new QTimer(this))
    , m_mouthTimer(new QTimer(this))
    , m_voice(voice)
    , m_log(log)
{
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, this, &FloatingCharacter::advanceFrame);
    m_balloonTimer->setSingleShot(true);
    connect(m_balloonTimer, &QTimer::timeout, m_balloon.get(), &QWidget::hide);
    m_mouthTimer->setSingleShot(true);
    m_mouthTimer->setTimerType(Qt::PreciseTimer);
    connect(m_mouthTimer, &QTimer::timeout, this, &FloatingCharacter::onMouthStepMissed);
    const CharacterAnimation *speak = m_file.animation(m_file.speakAnimation);
    for (int i = 0; i < speak->frames.size(); ++i) {
        const QString &mouth = speak->frames.at(i).mouth;
        if (mouth.isEmpty())
            m_loudMouths << i;
        else
            m_namedMouths.insert(mouth, i);
    }

    connect(m_voice, &VoiceWorker::synthesized, this, [this](quint64 id, const Utterance &u) {
        if (id != m_speechId)
            return;
        m_utterance = u;
        if (m_log && m_log->framesWanted()) {
            QStringList sounds;
            for (const SpokenSound &s : u.sounds)
                sounds << MouthShapes::name(MouthShapes::ofPhoneme(s.phoneme)) + QLatin1Char(':')
                              + QString::fromUtf8(s.phoneme) + QLatin1Char('@') + QString::number(s.audioMs);
            m_log->writeFrame(QStringLiteral("sounds %1 %2").arg(id).arg(sounds.join(QLatin1Char(' '))));
        }
        Q_EMIT speechSynthesized(u);
    });
    connect(m_voice, &VoiceWorker::progressed, this, [this](quint64 id, int ms) {
        if (id != m_speechId)
            return;
        if (m_log && m_log->framesWanted())
            m_log->writeFrame(QStringLiteral("played %1 %2").arg(id).arg(ms));
        onProgress(ms);
    });
    if (m_log && m_log->framesWanted()) {
        connect(m_window.get(), &CharacterWindow::framePresented, this, [this](const QString &name, int index) {
            const CharacterAnimation *animation = m_file.animation(name);
            const bool named = animation && index < animation->frames.size() && !animation->frames.at(index).mouth.isEmpty();
            m_log->writeFrame(QStringLiteral("shown %1 %2 %3")
                              .arg(name)
                              .arg(index)
                              .arg(named ? animation->frames.at(index).mouth : QStringLiteral("-")));
        });
    }
    connect(m_voice, &VoiceWorker::spoken, this, [this](quint64 id, bool) {
        if (id == m_speechId)
            onSpoken();
    });

    m_position = defaultPosition();
    m_window->move(m_position);
    m_animation = m_file.animation(m_file.idleAnimation);
    showFrame(0);
}

FloatingCharacter::~FloatingCharacter()
{
    if (m_speechId) {
        const quint64 id = m_speechId;
        VoiceWorker *voice = m_voice;
        QMetaObject::invokeMethod(voice, [voice, id] { voice->cancel(id); }, Qt::QueuedConnection);
    }
}

QPoint FloatingCharacter::defaultPosition() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    return avail.bottomRight() - QPoint(m_window->width() + 40, m_window->height() + 40);
}

int FloatingCharacter::scaled(int ms) const
{
    return std::max(0, int(std::lround(ms * m_timeScale)));
}

QString FloatingCharacter::currentAnimation() const
{
    return m_animation ? m_animation->name : QString();
}

// --- the requests: checked now, performed later ---------------------------------------------

void FloatingCharacter::Show()
{
    enqueue({Request::Show, {}, {}});
}

void FloatingCharacter::MoveTo(int x, int y)
{
    enqueue({Request::MoveTo, {}, QPoint(x, y)});
}

void FloatingCharacter::Play(const QString &animation)
{
    const CharacterAnimation *found = m_file.animation(animation);
    if (!found)
        throw RuntimeError(QStringLiteral("Il personaggio %1 non ha l'animazione \"%2\"").arg(m_id, animation));
    enqueue({Request::Play, found->name, {}});
}

void FloatingCharacter::setHeight(int pixels)
{
    if (pixels <= 0 || pixels > 4096)
        throw RuntimeError(QStringLiteral("Altezza non valida per %1: %2").arg(m_id).arg(pixels));
    enqueue({Request::Height, {}, QPoint(0, pixels)});
}

void FloatingCharacter::Speak(const QString &text)
{
    enqueue({Request::Speak, text, {}});
}

void FloatingCharacter::beginExercise()
{
    m_exerciseBatch = m_batch;
    dropStale();
}

void FloatingCharacter::dropStale()
{
    // A new exercise is on display. When the one thing still to come before it is the rest
    // of the last outcome (praise or correction), that is the game's rhythm: it is said
    // whole. When more has piled up, the child is far ahead of the wizard: all of it is
    // about exercises gone from the screen, and none of it has begun, so it goes.
    QList<quint64> earlier;
    for (const Request &request : std::as_const(m_pending)) {
        if (request.batch != m_batch && !earlier.contains(request.batch))
            earlier << request.batch;
    }
    if (earlier.size() == 1 && !m_pending.head().exercise)
        return;
    QQueue<Request> kept;
    for (Request &request : m_pending) {
        if (request.batch == m_batch) {
            kept.enqueue(std::move(request));
        } else {
            log("dropped", request);
            Q_EMIT requestDropped(request.describe());
        }
    }
    m_pending = std::move(kept);
}

void FloatingCharacter::log(const char *event, const Request &request) const
{
    if (m_log)
        m_log->write(event, request.number, request.describe());
}

void FloatingCharacter::enqueue(Request request)
{
    request.batch = m_batch;
    request.exercise = m_exerciseBatch == m_batch && m_batch != 0;
    request.number = ++m_issued;
    log("queued", request);
    m_pending.enqueue(std::move(request));
    // Never perform inside the call: the caller's routine must finish first.
    if (!m_current && !m_scheduled) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &FloatingCharacter::performNext);
    }
}

void FloatingCharacter::performNext()
{
    m_scheduled = false;
    if (m_current)
        return;
    if (m_pending.isEmpty()) {
        startIdle();
        Q_EMIT queueEmptied();
        return;
    }
    m_current = m_pending.dequeue();
    log("start", *m_current);
    Q_EMIT requestStarted(m_current->describe());
    // Without a window manager "stays on top" means nothing: back in place for every request.
    m_windows.restack();
    perform(*m_current);
}

void FloatingCharacter::done()
{
    const QString finished = m_current->describe();
    log("end", *m_current);
    m_current.reset();
    Q_EMIT requestFinished(finished);
    if (!m_scheduled) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &FloatingCharacter::performNext);
    }
}

void FloatingCharacter::perform(const Request &request)
{
    switch (request.kind) {
    case Request::Show:
        if (m_window->isVisible())
            return done();
        m_window->move(m_position);
        play(*m_file.animation(m_file.showAnimation), false, [this] { done(); });
        m_windows.show(m_window.get());
        return;
    case Request::MoveTo:
        return moveSmoothly(request.point);
    case Request::Play:
        return play(*m_file.animation(request.text), false, [this] { done(); });
    case Request::Height:
        m_window->setCharacterHeight(request.point.y());
        showFrame(m_frame);
        return done();
    case Request::Speak:
        return startSpeaking(request.text);
    }
}

// --- animation -----------------------------------------------------------------------------

void FloatingCharacter::play(const CharacterAnimation &animation, bool loop, std::function<void()> then)
{
    m_animation = &animation;
    m_loop = loop;
    m_afterAnimation = std::move(then);
    // Effects must not cover the words: the balloon stays above the wizard's window (and
    // both just above the game's, never over one of its boxes).
    if (m_balloon->isVisible())
        m_windows.restack();
    showFrame(0);
    m_frameTimer->start(scaled(animation.frames.at(0).durationMs));
}

void FloatingCharacter::showFrame(int index)
{
    m_frame = index;
    m_window->showFrame(*m_animation, index);
    Q_EMIT frameShown(m_animation->name, index);
}

void FloatingCharacter::advanceFrame()
{
    const int next = m_frame + 1;
    if (next < m_animation->frames.size()) {
        showFrame(next);
        m_frameTimer->start(scaled(m_animation->frames.at(next).durationMs));
        return;
    }
    if (m_loop) {
        showFrame(0);
        m_frameTimer->start(scaled(m_animation->frames.at(0).durationMs));
        return;
    }
    // Back to the resting pose between requests.
    m_animation = m_file.animation(m_file.idleAnimation);
    showFrame(0);
    if (auto then = std::exchange(m_afterAnimation, nullptr))
        then();
}

void FloatingCharacter::startIdle()
{
    // A hidden character does not breathe: no timers, no cost.
    if (!m_window->isVisible())
        return;
    play(*m_file.animation(m_file.idleAnimation), true, nullptr);
}

void FloatingCharacter::moveSmoothly(QPoint to)
{
    const QPoint from = m_window->pos();
    m_position = to;
    const double distance = std::hypot(to.x() - from.x(), to.y() - from.y());
    const int ms = scaled(std::min(kLongestMoveMs, int(distance * 1000 / kMovePixelsPerSecond)));
    if (!m_window->isVisible() || ms == 0) {
        m_window->move(to);
        return done();
    }
    if (!m_move) {
        m_move = new QVariantAnimation(this);
        m_move->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_move, &QVariantAnimation::valueChanged, this,
                [this](const QVariant &v) { m_window->move(v.toPoint()); });
        connect(m_move, &QVariantAnimation::finished, this, [this] {
            m_window->move(m_position);
            done();
        });
    }
    m_move->setStartValue(from);
    m_move->setEndValue(to);
    m_move->setDuration(ms);
    m_move->start();
}

// --- speech --------------------------------------------------------------------------------

void FloatingCharacter::startSpeaking(const QString &text)
{
    m_balloonTimer->stop();
    m_frameTimer->stop();
    m_animation = m_file.animation(m_file.speakAnimation);
    showFrame(0);
    const QRect frame = m_window->geometry();
    const double scale = double(frame.height()) / m_file.canvas.height();
    const QPoint face = frame.topLeft() + (QPointF(m_file.balloonAnchor) * scale).toPoint();
    m_balloon->start(text, frame, face);
    Q_EMIT balloonTextChanged(QString());
    m_utterance = Utterance();
    m_mouthTimer->stop();
    m_mouthMs = 0;
    m_keySound = -1;
    m_speechId = m_voice->newId();
    VoiceSettings settings;
    settings.language = m_file.voiceLanguage;
    settings.variant = m_file.voiceVariant;
    settings.rate = m_file.voiceRate;
    settings.pitch = m_file.voicePitch;
    settings.range = m_file.voiceRange;
    // "9" "per" "tre": said as one phrase with short breaths, not three sentences.
    settings.continues = !m_pending.isEmpty() && m_pending.head().kind == Request::Speak;
    settings.audio = m_audio;
    settings.pace = m_timeScale;
    const quint64 id = m_speechId;
    VoiceWorker *voice = m_voice;
    QMetaObject::invokeMethod(voice, [voice, id, text, settings] { voice->speak(id, text, settings); },
                              Qt::QueuedConnection);
}

void FloatingCharacter::onProgress(int playedMs)
{
    const QString shown = UtteranceText::revealedUpTo(m_utterance, playedMs);
    if (shown != m_balloon->shownText()) {
        m_balloon->reveal(shown);
        Q_EMIT balloonTextChanged(shown);
    }
    // A step that comes late says less than the time since the last: the mouth never goes back.
    m_mouthMs = std::max(m_mouthMs, playedMs);
    const int mouth = mouthFrame(m_mouthMs);
    if (mouth != m_frame)
        showFrame(mouth);
    if (!m_utterance.sounds.isEmpty() && playedMs > 0 && playedMs < m_utterance.durationMs) {
        m_playedMs = playedMs;
        m_sinceProgress.start();
        m_mouthTimer->start(kMouthStepMs + kMouthStepMs / 2);
    }
}

void FloatingCharacter::onMouthStepMissed()
{
    const qint64 gone = std::min<qint64>(m_sinceProgress.elapsed(), 2 * kMouthStepMs);
    m_mouthMs = std::max(m_mouthMs, m_playedMs + int(std::lround(gone / std::max(m_timeScale, 0.01))));
    const int mouth = mouthFrame(m_mouthMs);
    if (mouth != m_frame)
        showFrame(mouth);
}

int FloatingCharacter::mouthFrame(int playedMs)
{
    // The lips shaped for the sounds, when the voice told them and the character draws them.
    if (!m_utterance.sounds.isEmpty() && !m_namedMouths.isEmpty()) {
        // Nothing is heard before the sound output starts, however long that takes.
        MouthPose pose = playedMs > 0 ? MouthShapes::at(m_utterance, playedMs + kMouthLeadMs) : MouthPose();
        // A sound's own mouth is seen before the glide out of it, even when the clock's first
        // step comes late in the phrase or a step is missed.
        if (pose.step > 0 && pose.sound > m_keySound) {
            pose.step = 0;
            pose.toward = pose.shape;
        }
        if (pose.step == 0)
            m_keySound = std::max(m_keySound, pose.sound);
        const int named = m_namedMouths.value(MouthShapes::frameName(pose), -1);
        if (named >= 0)
            return named;
    }
    if (m_loudMouths.isEmpty())
        return 0;
    const float level = UtteranceText::levelAt(m_utterance, playedMs);
    const int mouths = int(m_loudMouths.size());
    return m_loudMouths.at(std::clamp(int(std::lround(level * (mouths - 1))), 0, mouths - 1));
}

void FloatingCharacter::onSpoken()
{
    m_speechId = 0;
    m_mouthTimer->stop();
    if (m_balloon->shownText() != m_utterance.text) {
        m_balloon->reveal(m_utterance.text);
        Q_EMIT balloonTextChanged(m_utterance.text);
    }
    m_animation = m_file.animation(m_file.idleAnimation);
    showFrame(0);
    m_balloonTimer->start(scaled(kBalloonLingerMs));
    done();
}
