#include "exchange/ReceiveRoute.h"

#include "exchange/RequestCodes.h"

ReceiveRoute RouteFor(int pendingRequest) {
    switch (pendingRequest) {
    case Request::DisplaySetting:
        return {false, Timer2Action::Stop, false};
    case Request::Communication:
    case Request::SystemParameters:
    case Request::ModbusParameters:
        return {false, Timer2Action::Start, false};
    case Request::HartIdentity:
    case Request::HartDynamicVariables:
        return {true, Timer2Action::Start, false};
    case Request::HartManual:
    case Request::HartWriteAddress:
    case Request::ModbusTest:
        return {true, Timer2Action::Leave, false};
    default:
        // Nothing pending, a setting's answer, or anything unexpected: shown as text,
        // and the exchange is over.
        return {false, Timer2Action::Leave, true};
    }
}
