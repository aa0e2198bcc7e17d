#pragma once
// The naming rules for a device's host name and work group, shared by the Device Setting
// section and the command line.
#include <string>

#include "config/rule_message.h"

namespace vidudi {

enum class NameKind { HostName, WorkGroup };

// At most 15 bytes (a multi-byte character counts by its bytes), no space, none of the
// forbidden characters, beginning with an ASCII letter; tested in that order and the first
// failure reported. Letters, digits, '-', '_' and bytes from 0x80 up may follow the first
// letter; control characters may not (they get the forbidden-characters message).
// Callers refuse an empty text with their own message first; given one, this reports that it
// does not begin with a letter.
RuleResult CheckNameRules(const std::string& text, NameKind kind);

}  // namespace vidudi
