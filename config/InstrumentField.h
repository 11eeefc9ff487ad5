#pragma once

#include "config/ConfigFrameBuilder.h"
#include "config/ConfigLists.h"

// "Instrument Number:" on the MODBUS tab: the channel, instruments 0 to 8, that the channel
// queries and settings address.
inline constexpr ListField InstrumentField{"\"Instrument Number:\"",
                                           ItemCount(InstrumentNumberItems)};
