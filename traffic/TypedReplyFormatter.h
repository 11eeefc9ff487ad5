#pragma once

#include "traffic/ChunkDescription.h"

// Fills in the traffic log's description of a configuration reply from the same typed
// decoders that fill the window's pages, so the log and the pages never disagree about what
// the module said. List values are shown as the window's lists name them; a value no item
// has is shown as its number.
class TypedReplyFormatter : public ConfigReplyFormatter {
public:
    std::vector<ConfigReplyField> Fields(ConfigQuery query, std::string_view text) const override;
};
