#pragma once

#include "platform/foundation/Result.h"
#include "platform/kit/LocalNotification.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace foundation {
class DispatchQueue;
}

namespace kit {

// Puts local notifications on the desktop through its notification service
// (org.freedesktop.Notifications on the user's session bus, over GDBus). The
// service may be missing (no session bus, as on a server; a bus with no
// notification daemon) or stuck: a notice that cannot be shown is dropped
// with one line on standard error, never waited for on the main thread and
// never for longer than a bound.
//
//     DesktopNotificationService desktop;
//     desktop.present(notification);        // returns at once
class DesktopNotificationService {
public:
    using ErrorSink = std::function<void(const std::string& line)>;

    struct Options {
        // The bus to talk to; the session bus the environment names when absent.
        std::optional<std::string> busAddress;
        // The whole exchange (connecting, the bus's greeting, the service's
        // answers) ends within this.
        double timeoutSeconds = 5;
        // The notice's title and sender; the program's name when empty.
        std::string applicationName;
    };

    // DBUS_SESSION_BUS_ADDRESS, else the user's bus socket in
    // XDG_RUNTIME_DIR; nothing when neither names one. The desktop's own
    // ways of starting a bus are never tried: a program without one runs on.
    static std::optional<std::string> sessionBusAddress();

    // Sends one notice and waits for the service's answer, at most
    // options.timeoutSeconds: the service's number for it, or why it was not
    // shown. Blocks the calling thread; for workers.
    static foundation::Result<std::uint32_t> notify(
        const LocalNotification& notification, const Options& options);

    // Without a sink, dropped notices are told on standard error.
    DesktopNotificationService();
    explicit DesktopNotificationService(Options options, ErrorSink errors = nullptr);
    ~DesktopNotificationService();
    DesktopNotificationService(const DesktopNotificationService&) = delete;
    DesktopNotificationService& operator=(const DesktopNotificationService&) = delete;

    // Returns at once: the notices go out one after the other on a worker
    // queue. A notice that cannot be shown gives the error sink one line.
    void present(const LocalNotification& notification);
    // Waits until every notice handed over has gone out or been dropped.
    void flush();

private:
    Options m_options;
    ErrorSink m_errors;
    std::shared_ptr<foundation::DispatchQueue> m_queue;
};

} // namespace kit
