#include "device/winmbn/EventRelay.h"

#include <utility>

namespace WinMbnBackend {
namespace {

constexpr UINT kDeliverMessage = WM_APP + 0x56;
constexpr wchar_t kWindowClass[] = L"VantorixMbnEventRelay";

HRESULT RegisterWindowClass(WNDPROC proc) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) != 0) {
        return S_OK;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_CLASS_ALREADY_EXISTS) {
        return S_OK;
    }
    return HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT EventRelay::Create(std::shared_ptr<EventRelay>* relay) {
    if (relay == nullptr) {
        return E_POINTER;
    }
    HRESULT hr = RegisterWindowClass(&EventRelay::WindowProc);
    if (FAILED(hr)) {
        return hr;
    }
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    std::shared_ptr<EventRelay> created(new EventRelay(window));
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.get()));
    *relay = std::move(created);
    return S_OK;
}

EventRelay::~EventRelay() {
    // Messages still posted to the window die with it.
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
}

void EventRelay::AddSink(std::uint32_t id, DeviceLink::IMbnSmsEvents* sink) {
    m_sinks[id] = sink;
}

void EventRelay::RemoveSink(std::uint32_t id) {
    m_sinks.erase(id);
}

void EventRelay::Post(std::uint32_t id, Event event) {
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(Entry{id, std::move(event)});
        post = !m_posted;
        m_posted = true;
    }
    if (post && !PostMessageW(m_window, kDeliverMessage, 0, 0)) {
        // The queue is full or the window is gone: the next Post tries again.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted = false;
    }
}

std::size_t EventRelay::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

void EventRelay::Deliver() {
    if (m_delivering) {
        return;
    }
    // A sink may drop the last owner of the relay while it runs.
    const std::shared_ptr<EventRelay> keepAlive = shared_from_this();
    struct DeliveringFlag {
        bool& flag;
        explicit DeliveringFlag(bool& f) : flag(f) { flag = true; }
        ~DeliveringFlag() { flag = false; }
    } delivering(m_delivering);
    for (;;) {
        Entry entry;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_queue.empty()) {
                m_posted = false;
                break;
            }
            entry = std::move(m_queue.front());
            m_queue.pop_front();
        }
        // Looked up per event: a sink may leave while an earlier one runs.
        const auto sink = m_sinks.find(entry.id);
        if (sink != m_sinks.end() && sink->second != nullptr) {
            entry.event(*sink->second);
        }
    }
}

LRESULT CALLBACK EventRelay::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDeliverMessage) {
        auto* relay = reinterpret_cast<EventRelay*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (relay != nullptr) {
            relay->Deliver();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace WinMbnBackend
