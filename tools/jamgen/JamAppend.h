// JamAppend: adds messages to a base in place, as a tosser does when new mail arrives.
#pragma once

#include "JamWriter.h"

#include <string>

namespace jamgen {

// Appends the messages of model (their numbers above the base's last one) to the base at
// basePath: each header at the end of the header file, each text at the end of the text file,
// the index grown to the new numbers (empty records for the numbers between). A reply is linked
// at the end of its parent's Reply1st/ReplyNext chain, whether the parent is new or was there;
// the fixed header's ModCounter goes up by one and its ActiveMsgs by the live messages added.
// The model's own Header is not used. False with a message in *error on failure.
bool AppendJamMessages(const JamBaseModel& model, const std::string& basePath, std::string* error);

} // namespace jamgen
