// The rules of what prepared sound is kept: each case is a run of steps on one
// PreparedAudio and what it holds afterwards.
//
// Steps: "want a+x b" asks for announcement a (chime x) then b; "add KEY BYTES" adds a
// part ("!" at the end: the part is refused); "finish KEY"; "take KEY". "=> ..." checks
// what the step returns (want: the keys dropped; take: the sizes of the parts).
// The state: each wanted item as key=sizes ("*" when finished), then what is made next
// and the bytes held.
#include "sound/PreparedAudio.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Case {
    const char* name;
    qint64 maxBytes;
    std::vector<const char*> steps;
    const char* state;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

QString sizes(const QList<QByteArray>& parts) {
    QStringList out;
    for (const QByteArray& part : parts)
        out << QString::number(part.size());
    return out.join(QLatin1Char(','));
}

QString describe(const PreparedAudio& p) {
    QStringList out;
    for (const QString& key : p.keys())
        out << key + QLatin1Char('=') + sizes(p.parts(key)) +
                   (p.isFinished(key) ? QStringLiteral("*") : QString());
    out << QStringLiteral("next=") + p.nextToMake() << QStringLiteral("bytes=%1").arg(p.bytes());
    return out.join(QLatin1Char(' '));
}

class PreparedAudioRules : public ::testing::TestWithParam<Case> {};

TEST_P(PreparedAudioRules, Keep) {
    PreparedAudio p(GetParam().maxBytes);
    for (const char* text : GetParam().steps) {
        const QString step = QString::fromUtf8(text);
        const QString expected = step.section(QStringLiteral(" => "), 1);
        QStringList words = step.section(QStringLiteral(" => "), 0, 0).split(QLatin1Char(' '));
        const QString verb = words.takeFirst();
        QString got;
        if (verb == QLatin1String("want")) {
            QList<PreparedAudio::Entry> entries;
            for (const QString& w : std::as_const(words))
                entries << PreparedAudio::Entry{w.section(QLatin1Char('+'), 0, 0),
                                                w.section(QLatin1Char('+'), 1)};
            got = p.want(entries).join(QLatin1Char(' '));
        } else if (verb == QLatin1String("add")) {
            const bool refused = words.value(2) == QLatin1String("!");
            EXPECT_EQ(p.add(words[0], QByteArray(words[1].toInt(), 'x')), !refused) << text;
        } else if (verb == QLatin1String("finish")) {
            p.finish(words[0]);
        } else if (verb == QLatin1String("take")) {
            got = sizes(p.take(words[0]));
        }
        if (step.contains(QStringLiteral(" => "))) {
            EXPECT_EQ(got, expected) << text;
        }
    }
    EXPECT_EQ(describe(p), QString::fromUtf8(GetParam().state));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreparedAudioRules,
    ::testing::Values(
        Case{"made_in_the_order_heard", 100, {"want a+x b+y"}, "x= a= y= b= next=x bytes=0"},
        Case{"two_announcements_at_most", 100, {"want a b c"}, "a= b= next=a bytes=0"},
        Case{"a_shared_chime_is_made_once", 100, {"want a+x b+x"}, "x= a= b= next=x bytes=0"},
        Case{"parts_then_finished",
             100,
             {"want a b", "add a 3", "add a 4", "finish a"},
             "a=3,4* b= next=b bytes=7"},
        Case{"a_step_drops_what_is_no_longer_next",
             100,
             {"want a+x b+x", "add x 1", "finish x", "add a 3", "finish a", "add b 2", "want b+x c => a"},
             "x=1* b=2 c= next=b bytes=3"},
        Case{"another_voice_is_other_keys_and_drops_all_speech",
             100,
             {"want a+x b", "add x 1", "finish x", "add a 3", "want a2+x b2 => a b"},
             "x=1* a2= b2= next=a2 bytes=1"},
        Case{"another_list_or_none_drops_everything",
             100,
             {"want a+x", "add a 3", "want => x a"},
             "next= bytes=0"},
        Case{"a_part_for_a_dropped_item_is_refused",
             100,
             {"want a", "want b", "add a 3 !"},
             "b= next=b bytes=0"},
        Case{"a_finished_item_takes_no_more",
             100,
             {"want a", "add a 3", "finish a", "add a 1 !"},
             "a=3* next= bytes=3"},
        Case{"the_bound_ends_an_item_where_it_stands",
             10,
             {"want a b", "add a 6", "add a 4", "add a 1 !", "add b 1 !"},
             "a=6,4* b=* next= bytes=10"},
        Case{"a_less_wanted_item_gives_way", 10, {"want a b", "add b 8", "add a 5"}, "a=5 b= next=a bytes=5"},
        Case{"a_part_larger_than_the_bound_is_refused", 10, {"want a", "add a 11 !"}, "a=* next= bytes=0"},
        Case{"taken_for_speaking_is_not_made_again",
             100,
             {"want a b", "add a 3", "add a 0", "finish a", "take a => 3,0"},
             "a=* b= next=b bytes=0"},
        Case{"asked_for_anew_after_taking_is_made_again",
             100,
             {"want a b", "add a 3", "finish a", "take a => 3", "want a b => "},
             "a= b= next=a bytes=0"}));

TEST(PreparedAudioBound, TwentyMegabytesAndTwoAnnouncements) {
    EXPECT_EQ(PreparedAudio().maxBytes(), 20 * 1024 * 1024);
    EXPECT_EQ(PreparedAudio::kMaxEntries, 2);
}

} // namespace
