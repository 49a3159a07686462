// A dialog's message map as a table: each entry names a message (and for
// commands and notifications the control id and code) and the member that
// handles it. DispatchMessageMap finds the first matching entry.
#pragma once

#include <cstdint>
#include <span>
#include <variant>

#include "framework/Messages.h"

namespace qv {

template <typename T>
struct MessageMapEntry {
    using CommandHandler = void (T::*)();
    using NotifyHandler = void (T::*)(const ListNotify&, LResult&);
    using TimerHandler = void (T::*)(uintptr_t);
    using MessageHandler = LResult (T::*)(WParam, LParam);

    uint32_t message;  // kWmCommand, kWmNotify, kWmTimer or any other message
    int id;            // the control, for commands and notifications
    uint32_t code;     // the command or notification code
    std::variant<CommandHandler, NotifyHandler, TimerHandler, MessageHandler> handler;
};

template <typename T>
MessageMapEntry<T> OnCommandEntry(int id, void (T::*handler)()) {
    return {kWmCommand, id, kBnClicked, handler};
}
template <typename T>
MessageMapEntry<T> OnNotifyEntry(int id, uint32_t code, void (T::*handler)(const ListNotify&, LResult&)) {
    return {kWmNotify, id, code, handler};
}
template <typename T>
MessageMapEntry<T> OnTimerEntry(void (T::*handler)(uintptr_t)) {
    return {kWmTimer, 0, 0, handler};
}
template <typename T>
MessageMapEntry<T> OnMessageEntry(uint32_t message, LResult (T::*handler)(WParam, LParam)) {
    return {message, 0, 0, handler};
}

// True when an entry handled the message; result is then its result.
template <typename T>
bool DispatchMessageMap(T& self, std::span<const MessageMapEntry<T>> map, uint32_t message, WParam wParam,
                        LParam lParam, LResult& result) {
    for (const MessageMapEntry<T>& entry : map) {
        if (entry.message != message) continue;
        if (message == kWmCommand) {
            if (entry.id != CommandId(wParam) || entry.code != CommandCode(wParam)) continue;
            (self.*std::get<typename MessageMapEntry<T>::CommandHandler>(entry.handler))();
            result = 0;
            return true;
        }
        if (message == kWmNotify) {
            const auto* header = reinterpret_cast<const ListNotify*>(lParam);
            if (header == nullptr || header->idFrom != static_cast<uintptr_t>(entry.id) || entry.code != header->code) {
                continue;
            }
            result = 0;
            (self.*std::get<typename MessageMapEntry<T>::NotifyHandler>(entry.handler))(*header, result);
            return true;
        }
        if (message == kWmTimer) {
            (self.*std::get<typename MessageMapEntry<T>::TimerHandler>(entry.handler))(wParam);
            result = 0;
            return true;
        }
        result = (self.*std::get<typename MessageMapEntry<T>::MessageHandler>(entry.handler))(wParam, lParam);
        return true;
    }
    return false;
}

}  // namespace qv
