#include "ThreadListText.h"

#include "ThreadPlan.h"
#include "ThreadRowSink.h"

#include <string>

namespace {

// Text gathered before it is written: a few writes for a whole base, little memory.
constexpr std::size_t writeBytes = 64 * 1024;

class ThreadTextWriter : public TThreadTextSink {
public:
    explicit ThreadTextWriter(TTextOutput& output) : output_(output) {}

    bool Accepting() const override { return !output_.Failed(); }
    bool BeginThread() override {
        threadLines_.clear();
        return Accepting();
    }
    void UsePage(CodePage::Id page) override { output_.SetPage(page); }
    void AddRowText(const ShortStr& row) override { output_.AppendLine(row.View(), threadLines_); }
    void EndThreadText(const ShortStr& header) override {
        output_.AppendLine(header.View(), ready_);
        ready_ += threadLines_;
        if (ready_.size() >= writeBytes) writeReady();
    }

    // Writes what is left; false when any write failed.
    bool Finish() {
        writeReady();
        return output_.Flush();
    }

private:
    void writeReady() {
        output_.Write(ready_);
        ready_.clear();
    }

    TTextOutput& output_;
    std::string threadLines_; // the message rows of the thread in progress
    std::string ready_;       // complete threads not yet written
};

} // namespace

bool WriteThreadList(TJamMsgBase& base, TReadState& readState, TTextOutput& output,
                     CodePage::Id localePage) {
    ThreadTextWriter writer(output);
    TDisplayPage page;
    page.Locale = localePage;
    BuildWholeThreadIndex(base, readState, writer, page);
    return writer.Finish();
}
