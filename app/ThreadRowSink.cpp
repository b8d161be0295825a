#include "ThreadRowSink.h"

#include "ThreadIndex.h"

void TThreadTextSink::AddRow(const TMessageRow& row) {
    AddRowText(MessageRow(row.Number, row.Read, row.From, row.Subject));
}

void TThreadTextSink::EndThread(std::int32_t messages, std::string_view subject, std::uint32_t) {
    EndThreadText(ThreadHeaderRow(messages, subject));
}
