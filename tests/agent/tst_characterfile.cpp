// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "character/Agent.h"
#include "base/RuntimeError.h"
#include "agent/AgentControl.h"
#include "agent/CharacterFile.h"
#include "agent/windows/CharacterWindow.h"
#include "agent/voice/MouthShapes.h"
#include "agent/voice/Utterance.h"
#include "agent/windows/FloatingWindows.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char *kSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='20' viewBox='0 0 10 20'>"
                   "<rect x='1' y='1' width='8' height='18' fill='#3468dc'/></svg>";

// The smallest character the component accepts; each refusal row breaks one thing of it.
QJsonObject minimalManifest()
{
    const auto frame = [](const char *part) {
        return QJsonObject{{"parts", QJsonArray{part}}, {"ms", 100}};
    };
    return QJsonObject{
        {"id", "Tiny"},
        {"canvas", QJsonArray{10, 20}},
        {"height", 40},
        {"parts", QJsonObject{{"body", "body.svg"}}},
        {"roles", QJsonObject{{"show", "Appear"}, {"idle", "Idle"}, {"speak", "Speak"}}},
        {"animations", QJsonObject{{"Appear", QJsonArray{frame("body")}},
                                   {"Idle", QJsonArray{frame("body")}},
                                   {"Speak", QJsonArray{frame("body"), frame("body")}}}},
    };
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestCharacterFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initAgentResources(); }

    void theGamesFixedPathLoadsTheBundledWizard();
    void everyAnimationTheGamePlaysIsFoundWithoutRegardToCase_data();
    void everyAnimationTheGamePlaysIsFoundWithoutRegardToCase();
    void everyAnimationOfTheWizardVisiblyMoves();
    void aSmallValidFileFromDiskLoads();
    void aBrokenFileIsRefusedAtLoad_data();
    void aBrokenFileIsRefusedAtLoad();

    void theBalloonTextGrowsWordByWordWithItsPunctuation_data();
    void theBalloonTextGrowsWordByWordWithItsPunctuation();
    void mouthLevelsFollowTheLoudness();
    void aPhraseWithoutVoiceIsPacedEvenly();
    void eachSoundShowsItsLipsFromWhereItIsHeard_data();
    void eachSoundShowsItsLipsFromWhereItIsHeard();
};

void TestCharacterFile::theGamesFixedPathLoadsTheBundledWizard()
{
    const CharacterFile merlin = CharacterFile::load(kMerlinFile);
    QCOMPARE(merlin.id, QStringLiteral("Merlin"));
    QCOMPARE(merlin.defaultHeight, 205);
    QCOMPARE(merlin.voiceLanguage, QStringLiteral("it"));
    // Windows paths are case-insensitive, and the game might spell it either way.
    QCOMPARE(CharacterFile::resolve(kMerlinFile.toLower()), CharacterFile::resolve(kMerlinFile));
    QVERIFY(CharacterFile::resolve(kMerlinFile).startsWith(QLatin1String(":/")));
}

void TestCharacterFile::everyAnimationTheGamePlaysIsFoundWithoutRegardToCase_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Announce") << "Announce" << "announce";
    QTest::newRow("Greet") << "Greet" << "greet";
    QTest::newRow("congratulate") << "congratulate" << "congratulate";
    QTest::newRow("domagic1") << "domagic1" << "domagic1";
    QTest::newRow("domagic2") << "domagic2" << "domagic2";
    QTest::newRow("upper case") << "ANNOUNCE" << "announce";
    QTest::newRow("mixed case") << "DoMagic2" << "domagic2";
}

void TestCharacterFile::everyAnimationTheGamePlaysIsFoundWithoutRegardToCase()
{
    QFETCH(QString, asked);
    QFETCH(QString, expected);
    const CharacterFile merlin = CharacterFile::load(kMerlinFile);
    const CharacterAnimation *a = merlin.animation(asked);
    QVERIFY(a);
    QCOMPARE(a->name.toLower(), expected);
}

void TestCharacterFile::everyAnimationOfTheWizardVisiblyMoves()
{
    const CharacterFile merlin = CharacterFile::load(kMerlinFile);
    FloatingWindows windows;
    CharacterWindow window(merlin, windows);
    for (const CharacterAnimation &a : merlin.animations) {
        QSet<QByteArray> distinct;
        for (const CharacterFrame &f : a.frames) {
            const QImage image = window.renderFrame(f, 205, 1.0);
            QCOMPARE(image.height(), 205);
            distinct.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QVERIFY2(distinct.size() >= 2, qPrintable(a.name));
    }
}

void TestCharacterFile::aSmallValidFileFromDiskLoads()
{
    QTemporaryDir dir;
    write(dir.filePath("body.svg"), kSvg);
    write(dir.filePath("tiny.json"), QJsonDocument(minimalManifest()).toJson());
    const CharacterFile c = CharacterFile::load(dir.filePath("tiny.json"));
    QCOMPARE(c.canvas, QSize(10, 20));
    QCOMPARE(c.defaultHeight, 40);
    QCOMPARE(c.animation("speak")->frames.size(), 2);
    QCOMPARE(c.partFiles.value("body"), dir.filePath("body.svg"));
}

void TestCharacterFile::aBrokenFileIsRefusedAtLoad_data()
{
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<QByteArray>("svg");

    const QByteArray good = QJsonDocument(minimalManifest()).toJson();
    const auto without = [](const char *key) {
        QJsonObject m = minimalManifest();
        m.remove(key);
        return QJsonDocument(m).toJson();
    };
    const auto withAnimation = [](const char *name, const QJsonArray &frames) {
        QJsonObject m = minimalManifest();
        QJsonObject a = m["animations"].toObject();
        a[name] = frames;
        m["animations"] = a;
        return QJsonDocument(m).toJson();
    };
    QJsonObject noIdle = minimalManifest();
    QJsonObject roles = noIdle["roles"].toObject();
    roles["idle"] = "Sleep";
    noIdle["roles"] = roles;

    QTest::newRow("missing file") << QByteArray() << QByteArray(kSvg);
    QTest::newRow("not JSON") << QByteArray("{ \"id\": ") << QByteArray(kSvg);
    QTest::newRow("JSON but not an object") << QByteArray("[1, 2]") << QByteArray(kSvg);
    QTest::newRow("no identifier") << without("id") << QByteArray(kSvg);
    QTest::newRow("no canvas") << without("canvas") << QByteArray(kSvg);
    QTest::newRow("no roles") << without("roles") << QByteArray(kSvg);
    QTest::newRow("part file missing") << good << QByteArray();
    QTest::newRow("part not a picture") << good << QByteArray("<svg><rect");
    QTest::newRow("frame names an unknown part")
        << withAnimation("Greet", {QJsonObject{{"parts", QJsonArray{"hat"}}, {"ms", 100}}}) << QByteArray(kSvg);
    QTest::newRow("frame without duration")
        << withAnimation("Greet", {QJsonObject{{"parts", QJsonArray{"body"}}}}) << QByteArray(kSvg);
    QTest::newRow("animation without frames") << withAnimation("Greet", {}) << QByteArray(kSvg);
    QTest::newRow("idle role names no animation") << QJsonDocument(noIdle).toJson() << QByteArray(kSvg);
}

void TestCharacterFile::aBrokenFileIsRefusedAtLoad()
{
    QFETCH(QByteArray, manifest);
    QFETCH(QByteArray, svg);
    QTemporaryDir dir;
    if (!svg.isEmpty())
        write(dir.filePath("body.svg"), svg);
    if (!manifest.isEmpty())
        write(dir.filePath("tiny.json"), manifest);
    try {
        CharacterFile::load(dir.filePath("tiny.json"));
        QFAIL("the file was accepted");
    } catch (const RuntimeError &e) {
        QVERIFY2(e.message().startsWith(QLatin1String("Impossibile caricare il personaggio")), e.what());
    }
}

void TestCharacterFile::theBalloonTextGrowsWordByWordWithItsPunctuation_data()
{
    QTest::addColumn<int>("playedMs");
    QTest::addColumn<QString>("shown");
    QTest::newRow("before the first word") << -1 << "";
    QTest::newRow("first word, with its comma") << 0 << "Allora,";
    QTest::newRow("between words") << 350 << "Allora,";
    QTest::newRow("second word") << 400 << "Allora, attenzione";
    QTest::newRow("last word, with its stop") << 1200 << "Allora, attenzione iniziamo.";
    QTest::newRow("past the end") << 5000 << "Allora, attenzione iniziamo.";
}

void TestCharacterFile::theBalloonTextGrowsWordByWordWithItsPunctuation()
{
    QFETCH(int, playedMs);
    QFETCH(QString, shown);
    Utterance u;
    u.text = QStringLiteral("Allora, attenzione iniziamo.");
    u.words = {{0, 6, 0}, {8, 10, 400}, {19, 8, 1100}};
    u.durationMs = 1700;
    QCOMPARE(UtteranceText::revealedUpTo(u, playedMs), shown);
}

void TestCharacterFile::mouthLevelsFollowTheLoudness()
{
    const int step = Utterance::kSampleRate * Utterance::kLevelStepMs / 1000;
    QList<qint16> samples(step * 4, 0);
    for (int i = step; i < 2 * step; ++i)
        samples[i] = (i % 2) ? 8000 : -8000; // loud
    for (int i = 2 * step; i < 3 * step; ++i)
        samples[i] = (i % 2) ? 2000 : -2000; // quiet
    const QByteArray pcm(reinterpret_cast<const char *>(samples.constData()), samples.size() * 2);
    const QList<float> levels = UtteranceText::mouthLevels(pcm);
    QCOMPARE(levels.size(), 4);
    QCOMPARE(levels[0], 0.f);
    QCOMPARE(levels[1], 1.f);
    QCOMPARE(levels[2], 0.25f);
    QCOMPARE(levels[3], 0.f);
}

void TestCharacterFile::aPhraseWithoutVoiceIsPacedEvenly()
{
    const Utterance u = UtteranceText::estimated(QStringLiteral("Sei sulla buona strada"));
    QVERIFY(u.isSilent());
    QCOMPARE(u.words.size(), 4);
    QCOMPARE(u.words[2].textStart, 10);
    QVERIFY(u.words[1].audioMs > u.words[0].audioMs);
    QVERIFY(u.durationMs > u.words[3].audioMs);
    // The mouth keeps moving for the whole phrase.
    QCOMPARE(u.levels.size() * Utterance::kLevelStepMs, u.durationMs);
}

void TestCharacterFile::eachSoundShowsItsLipsFromWhereItIsHeard_data()
{
    // The phonemes as espeak-ng's Italian voice reports them in its events.
    QTest::addColumn<QByteArray>("phonemes");
    QTest::addColumn<QString>("shapes");
    QTest::newRow("mamma") << QByteArray("m a m m a _: _") << "closed open closed closed open rest rest";
    QTest::newRow("nove") << QByteArray("n O v e _: _") << "narrow round teeth spread rest rest";
    QTest::newRow("tre") << QByteArray("t @- * e") << "narrow narrow narrow spread";
    QTest::newRow("fa") << QByteArray("f a") << "teeth open";
    QTest::newRow("uno") << QByteArray("u n o") << "round narrow round";
    QTest::newRow("bravo") << QByteArray("b @- * a v o") << "closed narrow narrow open teeth round";
    QTest::newRow("campione") << QByteArray("k a m p j o n e") << "narrow open closed closed spread round narrow spread";
    QTest::newRow("sei, cinque") << QByteArray("s E i _| tS i n k w e") << "narrow spread spread rest narrow spread narrow narrow round spread";
    QTest::newRow("fa ancora") << QByteArray("f a _| a n k o") << "teeth open rest open narrow narrow round";
    QTest::newRow("azione, gnomo, uovo") << QByteArray("a ts i ; o n^ O w2 O") << "open narrow spread spread round narrow round round round";
    QTest::newRow("scegli, zero") << QByteArray("S e l^ I dz E R o ss") << "narrow spread narrow spread narrow spread narrow round narrow";
}

void TestCharacterFile::eachSoundShowsItsLipsFromWhereItIsHeard()
{
    QFETCH(QByteArray, phonemes);
    QFETCH(QString, shapes);
    const QList<QByteArray> sounds = phonemes.split(' ');
    const QStringList expected = shapes.split(QLatin1Char(' '));
    QCOMPARE(sounds.size(), expected.size());
    // A word's boundary "_|" takes no time: it starts with the sound after it, as espeak-ng says.
    Utterance u;
    int ms = 100;
    for (const QByteArray &sound : sounds) {
        u.sounds.append({sound, ms});
        ms += sound == "_|" ? 0 : 120;
    }
    u.durationMs = ms + 50;
    u.levels = QList<float>(u.durationMs / Utterance::kLevelStepMs + 1, 1.f);
    const CharacterFile merlin = CharacterFile::load(kMerlinFile);
    QSet<QString> drawn;
    for (const CharacterFrame &f : merlin.animation(merlin.speakAnimation)->frames)
        drawn.insert(f.mouth);

    QCOMPARE(MouthShapes::at(u, 0).shape, MouthShape::Rest);
    QCOMPARE(MouthShapes::at(u, u.durationMs).shape, MouthShape::Rest);
    MouthShape previous = MouthShape::Rest;
    for (int i = 0; i < sounds.size(); ++i) {
        const QString row = QStringLiteral("%1 (sound %2)").arg(QString::fromUtf8(sounds.at(i))).arg(i);
        const MouthShape shape = MouthShapes::ofPhoneme(sounds.at(i));
        QVERIFY2(MouthShapes::name(shape) == expected.at(i), qPrintable(row));
        if (sounds.at(i) == "_|")
            continue; // never heard
        // Its shape where it starts, at the widest; just before, on the way to it from the one before.
        const int startMs = u.sounds.at(i).audioMs;
        const MouthPose on = MouthShapes::at(u, startMs);
        QVERIFY2(on.shape == shape && on.step == 0 && on.opening == MouthShapes::kOpenings - 1, qPrintable(row));
        const MouthPose before = MouthShapes::at(u, startMs - 1);
        QVERIFY2(before.shape == previous, qPrintable(row));
        QVERIFY2(previous == shape ? before.step == 0 : before.toward == shape && before.step == MouthShapes::kGlideSteps - 1,
                 qPrintable(row));
        const MouthPose glideStart = MouthShapes::at(u, startMs - MouthShapes::kGlideMs);
        QVERIFY2(previous == shape || glideStart.step == 1, qPrintable(row));
        // The wizard draws every one of these mouths.
        for (const MouthPose &pose : {on, before, glideStart})
            QVERIFY2(drawn.contains(MouthShapes::frameName(pose)), qPrintable(row + MouthShapes::frameName(pose)));
        previous = shape;
    }
}

QTEST_MAIN(TestCharacterFile)
#include "tst_characterfile.moc"
