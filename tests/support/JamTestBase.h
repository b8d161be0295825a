#pragma once
// Helpers shared by the JAM reader tests: a scratch folder, bases written with jamgen, and the
// common ways of reading a base back.

#include "JamWriter.h"
#include "Lib_FileIO.h"
#include "Lib_MsgBase_JAM.h"
#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace jamtest {

// Each test's scratch folder.
class ScratchDir : public ::ScratchDir {
public:
    ScratchDir() : ::ScratchDir("skein-jam") {}
};

// Base fixture: a scratch folder, a base path in it, and no file faults left behind.
class JamTest : public ::testing::Test {
protected:
    void TearDown() override { SetFileFaultHook(nullptr); }

    // Writes the model as the base "base" in the scratch folder.
    void Write(const jamgen::JamBaseModel& model) {
        std::string error;
        ASSERT_TRUE(jamgen::WriteJamBase(model, base, &error, &info)) << error;
    }
    // A reader with the base open.
    std::unique_ptr<TJamMsgBase> Open(const TJamCacheSizes& sizes = {}) {
        auto reader = TJamMsgBase::Create(sizes);
        if (!reader) return reader;
        reader->SetBasePath(base);
        EXPECT_EQ(reader->OpenBase(), 0) << reader->OpenFailureText();
        return reader;
    }
    void PatchU32(const std::string& ext, std::uint64_t offset, std::uint32_t value) {
        std::string error;
        ASSERT_TRUE(jamgen::PatchFileU32(base + ext, offset, value, &error)) << error;
    }
    // From now on every op on the base's file with extension ext fails with error.
    void FailFileOp(FileOp op, const std::string& ext, int error) {
        SetFileFaultHook([op, error, path = base + ext](FileOp o, const std::string& p) {
            return o == op && p == path ? FileFault{true, error} : FileFault{};
        });
    }
    // Where a message's header starts in the header file, as written.
    std::uint32_t HdrOffsetOf(std::uint32_t number) const {
        for (const auto& m : info.Messages)
            if (m.Number == number) return m.HdrOffset;
        ADD_FAILURE() << "message " << number << " was not written";
        return 0;
    }

    ScratchDir dir;
    std::string base = dir.File("base");
    jamgen::JamWriteInfo info;
};

// Every number a full walk stands on, as the thread builder walks a base.
inline std::vector<std::int64_t> Walk(TJamMsgBase& reader) {
    std::vector<std::int64_t> numbers;
    reader.SeekNumber(0);
    while (reader.HasCurrent()) {
        numbers.push_back(reader.CurNumber());
        reader.StepNext();
    }
    return numbers;
}

// Every display line of the current message from its start.
inline std::vector<std::string> Lines(TJamMsgBase& reader, unsigned width = 79) {
    std::vector<std::string> lines;
    reader.RewindText();
    for (int guard = 0; !reader.TextDone() && guard < 100000; ++guard)
        lines.push_back(reader.ReadTextLine(width).Str());
    return lines;
}

// A base of live messages numbered first..last with plain names and subjects.
inline jamgen::JamBaseModel Numbered(std::uint32_t baseNum, std::uint32_t first,
                                     std::uint32_t last) {
    jamgen::JamBaseModel model;
    model.Header.BaseMsgNum = baseNum;
    for (std::uint32_t n = first; n <= last; ++n)
        model.AddMessage(n, "From " + std::to_string(n), "To", "Subject " + std::to_string(n))
            .Text = "Text of " + std::to_string(n) + "\r";
    return model;
}

} // namespace jamtest
