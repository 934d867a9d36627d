// How an announcement is cut into sentences and pieces, and how a synthesised piece's
// silence is trimmed.
#include "SoundFixtures.h"
#include "sound/SpeechText.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char* text;
    std::vector<const char*> expected;
};

QStringList toList(const std::vector<const char*>& items) {
    QStringList out;
    for (const char* s : items)
        out << QString::fromUtf8(s);
    return out;
}

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.text));
}

class Sentences : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Sentences, SplitAtSentenceEnds) {
    EXPECT_EQ(speech::splitSentences(QString::fromUtf8(GetParam().text)), toList(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Sentences,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"、。 ", {}},
                      SplitCase{"次は、市役所前です", {"次は、市役所前です"}},
                      SplitCase{"次は、市役所前です。お降りの方は？お知らせください！",
                                {"次は、市役所前です。", "お降りの方は？", "お知らせください！"}},
                      SplitCase{"「終点です。」ご利用ありがとうございました。",
                                {"「終点です。」", "ご利用ありがとうございました。"}},
                      SplitCase{"本当？！ はい。", {"本当？！", "はい。"}},
                      SplitCase{"Next stop. City Hall! OK?", {"Next stop.", "City Hall!", "OK?"}},
                      SplitCase{"運賃は1.5倍です. 以上", {"運賃は1.5倍です.", "以上"}},
                      SplitCase{"一行目\r\n二行目\n\n三行目", {"一行目", "二行目", "三行目"}},
                      SplitCase{"全角．ピリオド。。。終わり", {"全角．", "ピリオド。。。", "終わり"}}));

class Pieces : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Pieces, FirstPhraseAloneLongSentencesAtCommas) {
    EXPECT_EQ(speech::speechPieces(QString::fromUtf8(GetParam().text), 12), toList(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pieces,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"、、。", {}}, SplitCase{"はい。", {"はい。"}},
                      // the first sentence is cut after its first comma, the rest stays whole
                      SplitCase{"次は、市役所前です。", {"次は、", "市役所前です。"}},
                      SplitCase{"次は、市役所前、中央病院前。", {"次は、", "市役所前、中央病院前。"}},
                      // a later sentence is cut at commas only when it is longer than the limit
                      SplitCase{"はい。次は、市役所前です。", {"はい。", "次は、市役所前です。"}},
                      SplitCase{"はい。このバスは、市役所前、中央病院前経由、駅前行きです。",
                                {"はい。", "このバスは、市役所前、", "中央病院前経由、", "駅前行きです。"}},
                      // a long phrase without commas stays whole
                      SplitCase{"はい。ご乗車ありがとうございます本日は晴天なり。",
                                {"はい。", "ご乗車ありがとうございます本日は晴天なり。"}},
                      // commas inside numbers and word-less pieces
                      SplitCase{"運賃1,200円、です。", {"運賃1,200円、", "です。"}},
                      SplitCase{"、次は。、", {"次は。、"}}, SplitCase{"次は、、。", {"次は、、。"}}));

// A 16-bit mono WAV file whose samples are the given values.
QByteArray monoWav(const std::vector<qint16>& samples, int rate) {
    QByteArray wav(44, '\0');
    const qint64 bytes = qint64(samples.size()) * 2;
    wav.replace(0, 4, "RIFF");
    qToLittleEndian<quint32>(quint32(36 + bytes), wav.data() + 4);
    wav.replace(8, 8, "WAVEfmt ");
    qToLittleEndian<quint32>(16, wav.data() + 16);
    qToLittleEndian<quint16>(1, wav.data() + 20);
    qToLittleEndian<quint16>(1, wav.data() + 22);
    qToLittleEndian<quint32>(quint32(rate), wav.data() + 24);
    qToLittleEndian<quint32>(quint32(rate * 2), wav.data() + 28);
    qToLittleEndian<quint16>(2, wav.data() + 32);
    qToLittleEndian<quint16>(16, wav.data() + 34);
    wav.replace(36, 4, "data");
    qToLittleEndian<quint32>(quint32(bytes), wav.data() + 40);
    for (qint16 s : samples) {
        char b[2];
        qToLittleEndian<qint16>(s, b);
        wav.append(b, 2);
    }
    return wav;
}

std::vector<qint16> samplesOf(const QByteArray& wav) {
    std::vector<qint16> out;
    for (qsizetype p = 44; p + 2 <= wav.size(); p += 2)
        out.push_back(qFromLittleEndian<qint16>(wav.constData() + p));
    return out;
}

TEST(TrimWavSilence, KeepsTheGivenSilenceAroundTheSound) {
    // 1000 Hz: 300 silent samples, 5 loud ones (one negative), 500 silent ones
    std::vector<qint16> in(300, 3);
    in.insert(in.end(), {500, -800, 20, 101, 400});
    in.insert(in.end(), 500, -2);
    const QByteArray out = speech::trimWavSilence(monoWav(in, 1000), 10, 40);
    ASSERT_EQ(out.size(), 44 + 2 * (10 + 5 + 40));
    EXPECT_EQ(out.left(4), "RIFF");
    EXPECT_EQ(qFromLittleEndian<quint32>(out.constData() + 40), 2u * 55);
    const std::vector<qint16> kept = samplesOf(out);
    EXPECT_EQ(kept[9], 3);
    EXPECT_EQ(kept[10], 500);
    EXPECT_EQ(kept[14], 400);
    EXPECT_EQ(kept[15], -2);

    // less silence than asked for is kept as it is
    const std::vector<qint16> edge{900, 0, 0};
    EXPECT_EQ(samplesOf(speech::trimWavSilence(monoWav(edge, 1000), 10, 1)), (std::vector<qint16>{900, 0}));
}

TEST(TrimWavSilence, SilentAndUnreadableFiles) {
    const QByteArray silent = speech::trimWavSilence(monoWav(std::vector<qint16>(1000, 50), 48000), 30, 400);
    EXPECT_EQ(silent.size(), 44) << "a file without sound keeps only its header";
    EXPECT_TRUE(speech::trimWavSilence("RIFF....WAVEjunk", 0, 0).isEmpty());
    EXPECT_TRUE(speech::trimWavSilence(QByteArray(), 0, 0).isEmpty());
    QByteArray eightBit = monoWav({1, 2, 3}, 8000);
    qToLittleEndian<quint16>(8, eightBit.data() + 34);
    EXPECT_TRUE(speech::trimWavSilence(eightBit, 0, 0).isEmpty());
    // a stereo file made by the fixtures: the loud channel decides
    const QByteArray tone = fixtures::toneWav(100, 440, 0.0, 0.5);
    EXPECT_GT(speech::trimWavSilence(tone, 0, 0).size(), 44 + 4 * 4000);
}

} // namespace
