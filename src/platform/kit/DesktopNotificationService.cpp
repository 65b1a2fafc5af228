#include "platform/kit/DesktopNotificationService.h"

#include "platform/foundation/DispatchQueue.h"

#include <gio/gio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace kit {

namespace {

constexpr const char* serviceName = "org.freedesktop.Notifications";
constexpr const char* objectPath = "/org/freedesktop/Notifications";
constexpr const char* interfaceName = "org.freedesktop.Notifications";
constexpr const char* noSessionBus = "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct TextFree {
    void operator()(gchar* text) const { g_free(text); }
};
template<typename T> using GObjectPointer = std::unique_ptr<T, ObjectUnref>;
using VariantPointer = std::unique_ptr<GVariant, VariantUnref>;
using ErrorPointer = std::unique_ptr<GError, ErrorFree>;
using TextPointer = std::unique_ptr<gchar, TextFree>;

// Texts go on the bus only as valid UTF-8.
TextPointer validText(const std::string& text)
{
    return TextPointer(g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size())));
}

// One exchange with the bus on a main context of its own, on the calling
// thread: every asynchronous step is waited for by turning that context,
// and one timer cancels whatever is still under way when the time is up.
// Each step is always waited for to its end (a cancelled one ends at once),
// so no callback outlives the frame it writes to.
class Exchange {
public:
    explicit Exchange(double timeoutSeconds)
        : m_context(g_main_context_new())
        , m_cancellable(g_cancellable_new())
        , m_deadline(std::chrono::steady_clock::now()
              + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                  std::chrono::duration<double>(timeoutSeconds)))
        , m_timeoutSeconds(timeoutSeconds)
    {
        g_main_context_push_thread_default(m_context);
        m_timer = g_timeout_source_new(static_cast<guint>(std::max(1.0, std::ceil(timeoutSeconds * 1000))));
        g_source_set_callback(m_timer, &Exchange::timeUp, this, nullptr);
        g_source_attach(m_timer, m_context);
    }
    ~Exchange()
    {
        g_source_destroy(m_timer);
        g_source_unref(m_timer);
        g_object_unref(m_cancellable);
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    GCancellable* cancellable() const { return m_cancellable; }

    // Milliseconds left, for the bus calls' own time-outs.
    int remainingMilliseconds() const
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(1, left.count()));
    }

    // A step's result: start it with `ready` and this as its user data.
    struct Step {
        GObjectPointer<GAsyncResult> result;
    };
    static void ready(GObject*, GAsyncResult* result, gpointer data)
    {
        static_cast<Step*>(data)->result.reset(G_ASYNC_RESULT(g_object_ref(result)));
    }
    void wait(const Step& step)
    {
        while (!step.result)
            g_main_context_iteration(m_context, TRUE);
    }

    // Why a step failed, with a time-out told as such.
    std::string reason(const GError* error) const
    {
        if (m_timedOut && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            char text[64];
            std::snprintf(text, sizeof text, "no answer within %g s", m_timeoutSeconds);
            return text;
        }
        if (!error)
            return "unknown failure";
        // The bus's error name says nothing a reader needs.
        ErrorPointer copy(g_error_copy(error));
        g_dbus_error_strip_remote_error(copy.get());
        return copy->message;
    }

private:
    static gboolean timeUp(gpointer data)
    {
        auto* self = static_cast<Exchange*>(data);
        self->m_timedOut = true;
        g_cancellable_cancel(self->m_cancellable);
        return G_SOURCE_REMOVE;
    }

    GMainContext* m_context;
    GCancellable* m_cancellable;
    GSource* m_timer = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
    double m_timeoutSeconds;
    bool m_timedOut = false;
};

std::string programName()
{
    return program_invocation_short_name ? program_invocation_short_name : "app";
}

} // namespace

std::optional<std::string> DesktopNotificationService::sessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return std::string(address);
    // Where the user's bus listens when the session did not say.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        auto socket = std::filesystem::path(runtime) / "bus";
        struct stat status { };
        if (::stat(socket.c_str(), &status) == 0 && S_ISSOCK(status.st_mode)) {
            TextPointer escaped(g_dbus_address_escape_value(socket.c_str()));
            return "unix:path=" + std::string(escaped.get());
        }
    }
    return std::nullopt;
}

foundation::Result<std::uint32_t> DesktopNotificationService::notify(
    const LocalNotification& notification, const Options& options)
{
    auto address = options.busAddress ? options.busAddress : sessionBusAddress();
    if (!address)
        return foundation::Error(noSessionBus);
    auto const name = options.applicationName.empty() ? programName() : options.applicationName;

    Exchange exchange(options.timeoutSeconds);
    GError* failure = nullptr;

    Exchange::Step connecting;
    g_dbus_connection_new_for_address(address->c_str(),
        static_cast<GDBusConnectionFlags>(
            G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, exchange.cancellable(), &Exchange::ready, &connecting);
    exchange.wait(connecting);
    GObjectPointer<GDBusConnection> connection(
        g_dbus_connection_new_for_address_finish(connecting.result.get(), &failure));
    ErrorPointer connectError(failure);
    if (!connection)
        return foundation::Error("cannot reach the session bus: " + exchange.reason(connectError.get()));

    auto call = [&](const char* method, GVariant* parameters, const char* replyType) {
        Exchange::Step calling;
        g_dbus_connection_call(connection.get(), serviceName, objectPath, interfaceName, method, parameters,
            G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, exchange.remainingMilliseconds(),
            exchange.cancellable(), &Exchange::ready, &calling);
        exchange.wait(calling);
        GError* error = nullptr;
        VariantPointer reply(g_dbus_connection_call_finish(connection.get(), calling.result.get(), &error));
        return std::pair(std::move(reply), ErrorPointer(error));
    };
    auto close = [&] {
        Exchange::Step closing;
        g_dbus_connection_close(connection.get(), nullptr, &Exchange::ready, &closing);
        exchange.wait(closing);
        (void)g_dbus_connection_close_finish(connection.get(), closing.result.get(), nullptr);
    };

    // A service that reads markup in the body would take an error's "<" as markup.
    auto [capabilities, capabilitiesError] = call("GetCapabilities", nullptr, "(as)");
    if (!capabilities) {
        close();
        return foundation::Error("no notification service: " + exchange.reason(capabilitiesError.get()));
    }
    bool markup = false;
    {
        GVariantIter* names = nullptr;
        const gchar* capability = nullptr;
        g_variant_get(capabilities.get(), "(as)", &names);
        while (g_variant_iter_loop(names, "&s", &capability))
            markup = markup || std::string_view(capability) == "body-markup";
        g_variant_iter_free(names);
    }

    auto body = validText(notification.alertBody().value_or(""));
    if (markup) {
        TextPointer escaped(g_markup_escape_text(body.get(), -1));
        body = std::move(escaped);
    }
    auto summary = validText(name);
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    TextPointer action;
    if (notification.hasAction() && notification.alertAction()) {
        action = validText(*notification.alertAction());
        g_variant_builder_add(&actions, "s", "default");
        g_variant_builder_add(&actions, "s", action.get());
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // Sender, no notice replaced, no icon, summary, body, actions, hints, the service's own display time.
    auto [answer, notifyError] = call("Notify",
        g_variant_new("(susssasa{sv}i)", summary.get(), 0u, "", summary.get(), body.get(), &actions, &hints, -1),
        "(u)");
    close();
    if (!answer)
        return foundation::Error("the notification service refused it: " + exchange.reason(notifyError.get()));
    guint32 id = 0;
    g_variant_get(answer.get(), "(u)", &id);
    return static_cast<std::uint32_t>(id);
}

DesktopNotificationService::DesktopNotificationService()
    : DesktopNotificationService(Options {})
{
}

DesktopNotificationService::DesktopNotificationService(Options options, ErrorSink errors)
    : m_options(std::move(options))
    , m_errors(std::move(errors))
    , m_queue(foundation::DispatchQueue::createSerial("kit.desktop-notifications"))
{
    if (m_options.applicationName.empty())
        m_options.applicationName = programName();
    if (!m_errors) {
        m_errors = [](const std::string& line) {
            std::string text = line + "\n";
            std::fwrite(text.data(), 1, text.size(), stderr);
        };
    }
}

DesktopNotificationService::~DesktopNotificationService() = default;

void DesktopNotificationService::present(const LocalNotification& notification)
{
    // The environment is read here, on the caller's thread, not beside a
    // worker that could be changing it.
    Options options = m_options;
    if (!options.busAddress)
        options.busAddress = sessionBusAddress();
    auto report = [errors = m_errors, name = options.applicationName](const std::string& reason) {
        errors(name + ": notification not shown: " + reason);
    };
    if (!options.busAddress) {
        report(noSessionBus);
        return;
    }
    m_queue->async([notification, options = std::move(options), report] {
        auto shown = notify(notification, options);
        if (shown.isError())
            report(shown.error().message());
    });
}

void DesktopNotificationService::flush()
{
    m_queue->syncFlush();
}

} // namespace kit
