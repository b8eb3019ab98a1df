// Carries the platform's SMS events to the thread that owns the device link
// and hands them to the registered sinks from that thread's message loop.
//
// The platform may call the COM sink while the device link is itself inside
// a call into the platform (a single-threaded apartment dispatches incoming
// calls while it waits for an outgoing one). The backend interface's contract forbids
// that re-entrancy, so an event is only queued when it arrives; a message
// posted to a hidden message-only window delivers the queue once control is
// back in the loop. Events for a sink that has left in between are dropped.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "device/link/BackendInterface.h"

namespace WinMbnBackend {

class EventRelay : public std::enable_shared_from_this<EventRelay> {
public:
    using Event = std::function<void(DeviceLink::IMbnSmsEvents&)>;

    // Creates the relay and its window on the calling thread, which must run
    // a message loop for the events to arrive.
    static HRESULT Create(std::shared_ptr<EventRelay>* relay);
    ~EventRelay();
    EventRelay(const EventRelay&) = delete;
    EventRelay& operator=(const EventRelay&) = delete;

    void AddSink(std::uint32_t id, DeviceLink::IMbnSmsEvents* sink);
    void RemoveSink(std::uint32_t id);

    // Queues an event for sink `id`; safe from any thread.
    void Post(std::uint32_t id, Event event);
    // Delivers the queued events in their order (the window does this when
    // its message arrives). A call made from inside a delivery returns at
    // once: the outer delivery goes on with the rest.
    void Deliver();
    std::size_t Pending() const;

private:
    struct Entry {
        std::uint32_t id;
        Event event;
    };
    explicit EventRelay(HWND window) : m_window(window) {}
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window;
    mutable std::mutex m_mutex;  // guards m_queue and m_posted
    std::deque<Entry> m_queue;
    bool m_posted = false;
    bool m_delivering = false;
    std::map<std::uint32_t, DeviceLink::IMbnSmsEvents*> m_sinks;
};

}  // namespace WinMbnBackend
