// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "character/Agent.h"
#include "agent/AgentControl.h"
#include "agent/voice/EspeakSynthesizer.h"
#include "agent/voice/Voice.h"
#include "agent/windows/CharacterWindow.h"
#include "agent/FloatingCharacter.h"
#include "agent/drawing/FrameDrawing.h"

#include <QPainter>
#include <QtTest>

// How the wizard moves and how his outline is cut, read from the component's own frame log and
// from the frames it draws.
class TestMotion : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void everyGestureChangesItsPictureAtLeastTwentyTimesASecond_data();
    void everyGestureChangesItsPictureAtLeastTwentyTimesASecond();
    void theOutlineIsCutAtDevicePixels();
    void withoutACompositorTheRimIsDrawnOpaqueNotDarkened();
    void atRestOnlyTheRestingAndSpeakingPicturesAreKept();
    void keptPicturesShowExactlyAsDrawn();

private:
    std::unique_ptr<AgentControl> m_control;
    FloatingCharacter *floating() const { return m_control->character(kMerlinId); }
    void waitUntilIdle() { QTRY_VERIFY_WITH_TIMEOUT(m_control->isIdle(), 20000); }
};

void TestMotion::init()
{
    // No sound server is touched: the silent pacing is what these tests check.
    m_control = std::make_unique<AgentControl>(nullptr, nullptr, std::make_unique<Voice>(std::make_unique<EspeakSynthesizer>(), nullptr));
    m_control->setAudioEnabled(false);
    m_control->setTimeScale(0.05);
    m_control->Characters().Load(kMerlinId, kMerlinFile);
}

void TestMotion::cleanup()
{
    m_control.reset();
}

void TestMotion::everyGestureChangesItsPictureAtLeastTwentyTimesASecond_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("lastedMs"); // as long as the flip-book poses it replaced
    QTest::newRow("appearing puff") << QString() << 1000;
    QTest::newRow("Announce") << "Announce" << 1600;
    QTest::newRow("Greet") << "Greet" << 1200;
    QTest::newRow("congratulate") << "congratulate" << 1600;
    QTest::newRow("domagic1") << "domagic1" << 1160;
    QTest::newRow("domagic2") << "domagic2" << 1420;
}

void TestMotion::everyGestureChangesItsPictureAtLeastTwentyTimesASecond()
{
    QFETCH(QString, gesture);
    QFETCH(int, lastedMs);
    AgentCharacter &merlin = m_control->Characters().Item(kMerlinId);
    if (!gesture.isEmpty()) {
        merlin.Show();
        waitUntilIdle();
    }
    const CharacterAnimation *animation =
        floating()->file().animation(gesture.isEmpty() ? floating()->file().showAnimation : gesture);
    QVERIFY(animation);
    QSignalSpy log(floating(), &FloatingCharacter::frameShown);
    gesture.isEmpty() ? merlin.Show() : merlin.Play(gesture);
    waitUntilIdle();

    // Played time and picture changes as the frames were shown, at the file's own pace.
    int playedMs = 0;
    int changes = 0;
    int held = 0;
    int longestHoldMs = 0;
    QByteArray previous;
    for (const QList<QVariant> &entry : std::as_const(log)) {
        if (entry.at(0).toString() != animation->name)
            continue;
        const CharacterFrame &frame = animation->frames.at(entry.at(1).toInt());
        if (frame.look != previous) {
            ++changes;
            held = 0;
            previous = frame.look;
        }
        held += frame.durationMs;
        longestHoldMs = std::max(longestHoldMs, held);
        playedMs += frame.durationMs;
    }
    QVERIFY(playedMs > 0);
    const double perSecond = changes * 1000.0 / playedMs;
    QVERIFY2(perSecond >= 20, qPrintable(QStringLiteral("%1 pictures a second").arg(perSecond)));
    QVERIFY2(longestHoldMs <= 100, qPrintable(QStringLiteral("one picture held %1 ms").arg(longestHoldMs)));
    QVERIFY2(std::abs(playedMs - lastedMs) <= lastedMs / 6, qPrintable(QStringLiteral("lasted %1 ms").arg(playedMs)));
}

void TestMotion::theOutlineIsCutAtDevicePixels()
{
    CharacterWindow *window = floating()->window();
    const CharacterFrame &frame = floating()->file().animation(QStringLiteral("Greet"))->frames.at(10);
    const QRegion logical = shapeOf(window->renderFrame(frame, 205, 1.0));
    const QRegion device = shapeOf(window->renderFrame(frame, 205, 2.0));
    // Steps of one device pixel: a mask made in logical pixels has every edge on an even one.
    int oddEdges = 0;
    for (const QRect &r : device)
        oddEdges += (r.left() % 2) + ((r.right() + 1) % 2) + (r.top() % 2) + ((r.bottom() + 1) % 2);
    QVERIFY2(oddEdges > 100, qPrintable(QString::number(oddEdges)));
    QCOMPARE(device.boundingRect().right() < window->width() * 2, true);
    // The same figure: four times the area, within the rim's width.
    qint64 a1 = 0, a2 = 0;
    for (const QRect &r : logical)
        a1 += qint64(r.width()) * r.height();
    for (const QRect &r : device)
        a2 += qint64(r.width()) * r.height();
    QVERIFY2(std::abs(double(a2) / (4 * a1) - 1) < 0.03, qPrintable(QStringLiteral("%1 vs %2").arg(a2).arg(a1)));
    // Where no shaped native window exists the widget's own mask is used, which covers the shape.
    QVERIFY((logicalShape(device, 2.0).boundingRect().size() - (device.boundingRect().size() / 2)).width() <= 1);
}

void TestMotion::withoutACompositorTheRimIsDrawnOpaqueNotDarkened()
{
    QImage disc(40, 40, QImage::Format_ARGB32_Premultiplied);
    disc.fill(Qt::transparent);
    {
        QPainter p(&disc);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 220, 120));
        p.drawEllipse(QRectF(4.3, 4.3, 31, 31));
    }
    const RenderedFrame blended = finishFrame(disc, true);
    const RenderedFrame cut = finishFrame(disc, false);
    QCOMPARE(cut.shape, blended.shape);
    int rim = 0;
    for (int y = 0; y < disc.height(); ++y) {
        for (int x = 0; x < disc.width(); ++x) {
            const QRgb before = disc.pixel(x, y);
            const QPoint inCut = QPoint(x, y) - cut.offset;
            const QRgb after = cut.image.rect().contains(inCut) ? cut.image.pixel(inCut) : 0;
            if (qAlpha(before) == 0 || qAlpha(before) == 255)
                continue;
            ++rim;
            // Inside the outline: full colour; outside: nothing a screen could show dark.
            if (cut.shape.contains(QPoint(x, y)))
                QVERIFY(qAlpha(after) == 255 && qAbs(qRed(after) - 250) <= 3 && qAbs(qBlue(after) - 120) <= 3);
            else
                QCOMPARE(after, QRgb(0));
        }
    }
    QVERIFY(rim > 20);
}

void TestMotion::atRestOnlyTheRestingAndSpeakingPicturesAreKept()
{
    AgentCharacter &merlin = m_control->Characters().Item(kMerlinId);
    merlin.Show();
    for (const char *g : {"Announce", "Greet", "congratulate", "domagic1", "domagic2", "Greet"})
        merlin.Play(QString::fromLatin1(g));
    merlin.Speak(QStringLiteral("Bravo!"));
    waitUntilIdle();
    CharacterWindow *window = floating()->window();
    QSet<QByteArray> resting;
    for (const QString &role : {floating()->file().idleAnimation, floating()->file().speakAnimation})
        for (const CharacterFrame &f : floating()->file().animation(role)->frames)
            resting.insert(f.look);
    // Gesture frames drawn ahead and arriving late are not kept either.
    QTRY_COMPARE(window->framesBeingDrawn(), 0);
    QVERIFY2(window->cachedFrameCount() > 0 && window->cachedFrameCount() <= resting.size(),
             qPrintable(QString::number(window->cachedFrameCount())));
    const qreal dpr = window->devicePixelRatioF();
    const qint64 frameBytes = qint64(window->width() * dpr) * qint64(window->height() * dpr) * 4;
    QVERIFY2(window->cachedBytes() <= resting.size() * frameBytes, qPrintable(QString::number(window->cachedBytes())));
}

void TestMotion::keptPicturesShowExactlyAsDrawn()
{
    // Mouths and blinks are kept as small parts of another picture: put back together they
    // must be the very pixels drawn, outline included, and take far less room than whole.
    AgentCharacter &merlin = m_control->Characters().Item(kMerlinId);
    merlin.Show();
    merlin.Speak(QStringLiteral("Nove per tre fa ventisette, bravo!"));
    waitUntilIdle();
    CharacterWindow *window = floating()->window();
    const CharacterAnimation *speak = floating()->file().animation(floating()->file().speakAnimation);
    const CharacterAnimation *idle = floating()->file().animation(floating()->file().idleAnimation);
    for (const CharacterAnimation *animation : {speak, idle}) {
        for (int i = 0; i < int(animation->frames.size()); ++i) {
            const RenderedFrame drawn = finishFrame(
                window->renderFrame(animation->frames.at(i), window->height(), window->devicePixelRatioF()),
                window->compositing());
            // A kept picture is shown at once by showFrame(); one not drawn yet comes later.
            const auto showsIt = [&] {
                window->showFrame(*animation, i);
                const RenderedFrame &shown = window->presented();
                return shown.offset == drawn.offset && shown.shape == drawn.shape && shown.image == drawn.image;
            };
            QTRY_VERIFY2(showsIt(), qPrintable(QStringLiteral("%1 frame %2").arg(animation->name).arg(i)));
        }
    }
    const qint64 whole = qint64(window->cachedFrameCount()) * window->presented().image.sizeInBytes();
    QVERIFY2(window->cachedBytes() * 2 < whole, qPrintable(QStringLiteral("%1 of %2").arg(window->cachedBytes()).arg(whole)));
}

QTEST_MAIN(TestMotion)
#include "tst_motion.moc"
