#include "exchange/FrameResult.h"

std::string NoItemMessage(std::string_view fieldName) {
    return "Please choose a value for " + std::string(fieldName) + ".";
}

std::string RangeMessage(std::string_view fieldName, int minimum, int maximum) {
    return std::string(fieldName) + " must be a number from " + std::to_string(minimum) + " to " +
           std::to_string(maximum) + ".";
}
