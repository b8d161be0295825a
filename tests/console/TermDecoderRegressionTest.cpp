// Key decoder faults found by fuzzing, each kept as the input that showed it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TermInputDecoder.h"

namespace {

std::vector<std::uint8_t> decodedChars(TermInputDecoder& decoder) {
    std::vector<std::uint8_t> chars;
    ConsoleInputEvent event;
    while (decoder.Pop(event)) chars.push_back(event.Char);
    return chars;
}

// An overlong sequence (ESC [ and more bytes than any key sends) is dropped up to its final
// byte. When its final byte never came, the first key typed after any silence was taken for it
// and lost.
TEST(TermDecoderRegression, KeyTypedLongAfterAnUnfinishedOverlongSequenceWasSwallowed) {
    const std::string noise = "\x1b[" + std::string(TermInputDecoder::SequenceMaxBytes + 30, ')');
    for (std::uint64_t silence : {TermInputDecoder::SequenceWaitMs, std::uint64_t{60000}}) {
        SCOPED_TRACE(silence);
        TermInputDecoder decoder;
        decoder.Feed("\x1b[1;5Ae", 0);
        decoder.Feed(noise, 10);
        decoder.Tick(10 + silence);
        decoder.Feed("x", 10 + silence);
        decoder.Finish();
        const std::vector<std::uint8_t> chars = decodedChars(decoder);
        ASSERT_FALSE(chars.empty());
        EXPECT_EQ(chars.back(), 'x');
    }

    // The rest of the same sequence, arriving in pieces without a pause, is still dropped,
    // however long it goes on in all.
    TermInputDecoder decoder;
    decoder.Feed(noise, 0);
    for (std::uint64_t t = 100; t < 3 * TermInputDecoder::SequenceWaitMs; t += 100)
        decoder.Feed("))))", t);
    decoder.Feed("Aq", 3 * TermInputDecoder::SequenceWaitMs);
    decoder.Finish();
    EXPECT_EQ(decodedChars(decoder), std::vector<std::uint8_t>{'q'});
}

} // namespace
