#include "serial/TComm.h"

#include "serial/TCommBackend.h"

#include <algorithm>

TComm::TComm() : backend(std::make_unique<TCommBackend>(*this)) {}

TComm::~TComm() {
    // An open port is closed with its owner, so no thread outlives the component.
    ClosePort();
}

std::string OpenFailureText(const ECommsError& error) {
    switch (error.Cause()) {
    case OpenFailure::NoSuchDevice:
        return "no such device";
    case OpenFailure::PermissionDenied:
#ifdef _WIN32
        return "permission denied";
#else
        return "permission denied (add your user to the dialout group, then log in again)";
#endif
    case OpenFailure::InUse:
        return "in use by another program";
    case OpenFailure::NotSerial:
        return "not a serial port";
    case OpenFailure::Other:
        break;
    }
    return error.SystemReason().empty() ? std::string(error.what()) : error.SystemReason();
}

void TComm::OpenPort() {
    if (IsOpen())
        throw ECommsError("This serial port already opened", OpenFailure::InUse);
    portNotes.clear();
    std::size_t before = 0;
    {
        std::lock_guard lock(queueMutex);
        before = queue.size();
    }
    try {
        backend->Open();
    } catch (const ECommsError&) {
        // A connection that failed while opening (a server that answered and hung up) may
        // have posted its bytes and its hang-up: they belong to no port the owner opened.
        std::lock_guard lock(queueMutex);
        if (queue.size() > before)
            queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(before), queue.end());
        throw;
    }
    sendDataEmpty.store(true);
    ++lineSettingApplications;
}

void TComm::ClosePort() {
    if (!IsOpen())
        return;
    backend->Close();
    sendDataEmpty.store(true);
    DropQueuedHangups();
}

bool TComm::WriteData(const void* buffer, std::uint16_t length) {
    if (!IsOpen() || length == 0 || buffer == nullptr)
        return false;
    return backend->Write(buffer, length);
}

bool TComm::IsOpen() const {
    return backend->IsOpen();
}

void TComm::SetTimeout(std::uint32_t& field, std::uint32_t value) {
    if (field == value)
        return;
    field = value;
    if (IsOpen())
        ApplyCommTimeouts();
}

void TComm::ApplyCommState() {
    backend->ApplyCommState();
    ++lineSettingApplications;
}

void TComm::ApplyCommTimeouts() {
    backend->ApplyCommTimeouts();
}

void TComm::SetOnModemStateChange(TModemStateChangeEvent handler) {
    OnModemStateChange = std::move(handler);
    if (IsOpen())
        backend->WatchModemLines(static_cast<bool>(OnModemStateChange));
}

bool TComm::LineErrorCountersAvailable() const {
    return IsOpen() && backend->LineErrorCountersAvailable();
}

int TComm::NotificationDescriptor() const {
    return backend->NotificationDescriptor();
}

std::size_t TComm::QueuedNotifications() const {
    std::lock_guard lock(queueMutex);
    return queue.size();
}

TCommNotification TCommNotification::Received(const std::uint8_t* bytes, std::size_t count) {
    TCommNotification n;
    n.message = MSG_RECEIVE_DATA;
    n.value = static_cast<std::uint32_t>(count);
    n.data.reserve(count + 1);
    n.data.assign(bytes, bytes + count);
    n.data.push_back(0);
    return n;
}

void TComm::PostNotification(TCommNotification notification) {
    PostNotifications(std::span(&notification, 1));
}

namespace {
bool IsChunk(const TCommNotification& n) {
    return n.message == MSG_RECEIVE_DATA;
}
} // namespace

std::size_t TComm::DropOldestChunks(std::size_t chunks, std::size_t keep) {
    for (auto it = queue.begin(); chunks > keep && it != queue.end();) {
        if (IsChunk(*it)) {
            it = queue.erase(it);
            --chunks;
            droppedChunks.fetch_add(1);
        } else {
            ++it;
        }
    }
    return chunks;
}

void TComm::SetMaxQueuedChunks(std::size_t value) {
    std::lock_guard lock(queueMutex);
    maxQueuedChunks.store(value);
    if (value > 0)
        DropOldestChunks(
            static_cast<std::size_t>(std::count_if(queue.begin(), queue.end(), IsChunk)), value);
}

void TComm::PostNotifications(std::span<TCommNotification> notifications) {
    if (notifications.empty())
        return;
    bool wasEmpty = false;
    {
        std::lock_guard lock(queueMutex);
        wasEmpty = queue.empty();
        const std::size_t bound = maxQueuedChunks.load();
        std::size_t chunks =
            bound > 0 ? static_cast<std::size_t>(std::count_if(queue.begin(), queue.end(), IsChunk))
                      : 0;
        for (TCommNotification& notification : notifications) {
            if (bound > 0 && IsChunk(notification))
                chunks = DropOldestChunks(chunks, bound - 1) + 1;
            queue.push_back(std::move(notification));
        }
    }
    // Only the first of a run of notifications wakes the owner: a dispatch that leaves
    // some behind signals again itself, so a flood costs one wake-up per dispatch, not
    // one per chunk.
    if (wasEmpty)
        backend->SignalNotification();
}

void TComm::DropQueuedHangups() {
    // A hang-up noticed by the threads of a port that is now closed says nothing about the
    // next port the owner opens.
    std::lock_guard lock(queueMutex);
    std::erase_if(queue,
                  [](const TCommNotification& n) { return n.message == MSG_REQUEST_HANGUP; });
}

void TComm::DispatchNotifications(std::size_t maxEvents) {
    backend->AcknowledgeNotification();
    for (std::size_t handled = 0; handled < maxEvents; ++handled) {
        TCommNotification n;
        {
            std::lock_guard lock(queueMutex);
            if (queue.empty())
                return;
            n = std::move(queue.front());
            queue.pop_front();
        }
        // Each event is raised with no lock held: a handler may close the port, write, or
        // run a nested event loop that dispatches again.
        RaiseNotification(n);
    }
    std::lock_guard lock(queueMutex);
    if (!queue.empty())
        backend->SignalNotification();
}

void TComm::RaiseNotification(const TCommNotification& n) {
    switch (n.message) {
    case MSG_RECEIVE_DATA:
        if (OnReceiveData)
            OnReceiveData(this, n.data.data(), static_cast<std::uint16_t>(n.value));
        break;
    case MSG_RECEIVE_ERROR:
        if (OnReceiveError)
            OnReceiveError(this, n.value);
        break;
    case MSG_REQUEST_HANGUP:
        if (OnRequestHangup)
            OnRequestHangup(this);
        break;
    case MSG_MODEM_STATE:
        if (OnModemStateChange)
            OnModemStateChange(this, n.value);
        break;
    case MSG_SEND_EMPTY:
        if (OnSendDataEmpty)
            OnSendDataEmpty(this);
        break;
    case MSG_PORT_NOTE:
        portNotes.emplace_back(n.data.begin(), n.data.end());
        if (OnPortNote)
            OnPortNote(this, portNotes.back());
        break;
    default:
        break;
    }
}
