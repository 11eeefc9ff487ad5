#pragma once

#include "config/ConfigReplies.h"
#include "hart/HartIdentity.h"
#include "hart/HartReplies.h"

#include <optional>
#include <variant>

// What one decoder made of an answer. A HART answer that could not be located is an empty
// optional: the identity page clears its fields for it.
using DecodedReply =
    std::variant<CommunicationReply, SystemParameterReply, ChannelReply,
                 std::optional<HartIdentity>, std::optional<DynamicVariablesReply>>;
