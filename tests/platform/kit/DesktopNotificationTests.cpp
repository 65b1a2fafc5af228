#include "platform/kit/DesktopNotificationService.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using kit::DesktopNotificationService;
using kit::LocalNotification;

std::filesystem::path makeTemporaryDirectory()
{
    std::unique_ptr<gchar, decltype(&g_free)> made(g_dir_make_tmp("notify-test-XXXXXX", nullptr), g_free);
    return made ? std::filesystem::path(made.get()) : std::filesystem::path();
}

// A message bus of the test's own: no service files, so nothing is started
// on demand, and nothing of the user's session is touched.
class PrivateBus {
public:
    explicit PrivateBus(const std::filesystem::path& daemon)
        : m_directory(makeTemporaryDirectory())
    {
        auto config = m_directory / "bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:dir=" << m_directory.string()
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                 "<allow own=\"*\"/></policy></busconfig>\n";
        int output[2];
        if (pipe(output) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        // It complains, as root, that it may not raise its descriptor limit.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string configArgument = "--config-file=" + config.string();
        std::vector<char*> argv { const_cast<char*>(daemon.c_str()), configArgument.data(),
            const_cast<char*>("--print-address"), const_cast<char*>("--nofork"),
            const_cast<char*>("--nopidfile"), nullptr };
        if (posix_spawn(&m_pid, daemon.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        // The daemon prints its address once it listens.
        std::string line;
        pollfd readable { output[0], POLLIN, 0 };
        while (m_pid > 0 && line.find('\n') == std::string::npos && ::poll(&readable, 1, 10'000) > 0) {
            char buffer[256];
            auto got = ::read(output[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            line.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(output[0]);
        if (auto end = line.find('\n'); end != std::string::npos)
            m_address = line.substr(0, end);
    }
    ~PrivateBus()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    const std::optional<std::string>& address() const { return m_address; }

private:
    std::filesystem::path m_directory;
    pid_t m_pid = -1;
    std::optional<std::string> m_address;
};

constexpr const char* serviceXml = R"(<node>
  <interface name='org.freedesktop.Notifications'>
    <method name='GetCapabilities'><arg type='as' direction='out'/></method>
    <method name='Notify'>
      <arg type='s' direction='in'/><arg type='u' direction='in'/><arg type='s' direction='in'/>
      <arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='as' direction='in'/>
      <arg type='a{sv}' direction='in'/><arg type='i' direction='in'/><arg type='u' direction='out'/>
    </method>
  </interface>
</node>)";

// A desktop's notification daemon as far as the bus can tell: it owns the
// name, answers GetCapabilities with what it is given, and keeps every
// Notify, answering with ids from 41 on. Serves on a thread of its own.
class FakeNotificationDaemon {
public:
    struct Notice {
        std::string sender;
        std::string summary;
        std::string body;
        std::vector<std::string> actions;
        int expireTimeout = 0;
    };

    FakeNotificationDaemon(const std::string& address, std::vector<std::string> capabilities)
        : m_capabilities(std::move(capabilities))
        , m_context(g_main_context_new())
        , m_loop(g_main_loop_new(m_context, FALSE))
    {
        std::promise<bool> ready;
        auto started = ready.get_future();
        m_thread = std::thread([this, address, &ready] { serve(address, ready); });
        m_ready = started.get();
    }
    ~FakeNotificationDaemon()
    {
        g_main_context_invoke(
            m_context,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            m_loop);
        m_thread.join();
        g_main_loop_unref(m_loop);
        g_main_context_unref(m_context);
    }

    bool ready() const { return m_ready; }
    std::vector<Notice> notices() const
    {
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

private:
    void serve(const std::string& address, std::promise<bool>& ready)
    {
        g_main_context_push_thread_default(m_context);
        GError* error = nullptr;
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(serviceXml, nullptr);
        static const GDBusInterfaceVTable table { &FakeNotificationDaemon::methodCall, nullptr, nullptr, {} };
        bool registered = connection && info
            && g_dbus_connection_register_object(connection, "/org/freedesktop/Notifications",
                   info->interfaces[0], &table, this, nullptr, nullptr)
                > 0;
        GVariant* owned = registered
            ? g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                "org.freedesktop.DBus", "RequestName", g_variant_new("(su)", "org.freedesktop.Notifications", 4u),
                G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 10'000, nullptr, nullptr)
            : nullptr;
        ready.set_value(owned != nullptr);
        if (owned) {
            g_variant_unref(owned);
            g_main_loop_run(m_loop);
        }
        if (connection) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        if (info)
            g_dbus_node_info_unref(info);
        if (error)
            g_error_free(error);
        g_main_context_pop_thread_default(m_context);
    }

    static void methodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
        GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data)
    {
        auto* self = static_cast<FakeNotificationDaemon*>(data);
        if (std::string_view(method) == "GetCapabilities") {
            GVariantBuilder names;
            g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
            for (const auto& name : self->m_capabilities)
                g_variant_builder_add(&names, "s", name.c_str());
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(as)", &names));
            return;
        }
        auto text = [&](gsize index) {
            GVariant* child = g_variant_get_child_value(parameters, index);
            std::string value = g_variant_get_string(child, nullptr);
            g_variant_unref(child);
            return value;
        };
        Notice notice { text(0), text(3), text(4), {}, 0 };
        GVariant* actions = g_variant_get_child_value(parameters, 5);
        for (gsize i = 0; i < g_variant_n_children(actions); ++i) {
            GVariant* action = g_variant_get_child_value(actions, i);
            notice.actions.emplace_back(g_variant_get_string(action, nullptr));
            g_variant_unref(action);
        }
        g_variant_unref(actions);
        GVariant* expire = g_variant_get_child_value(parameters, 7);
        notice.expireTimeout = g_variant_get_int32(expire);
        g_variant_unref(expire);
        guint32 id;
        {
            std::lock_guard lock(self->m_mutex);
            self->m_notices.push_back(std::move(notice));
            id = 40 + static_cast<guint32>(self->m_notices.size());
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", id));
    }

    std::vector<std::string> m_capabilities;
    GMainContext* m_context;
    GMainLoop* m_loop;
    std::thread m_thread;
    bool m_ready = false;
    mutable std::mutex m_mutex;
    std::vector<Notice> m_notices;
};

LocalNotification failureNotice(const std::string& body)
{
    LocalNotification notice;
    notice.setAlertBody(body);
    notice.setAlertAction("Dismiss");
    return notice;
}

class DesktopNotificationBusTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::unique_ptr<gchar, decltype(&g_free)> daemon(g_find_program_in_path("dbus-daemon"), g_free);
        if (!daemon)
            GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus): no bus to test against";
        m_bus = std::make_unique<PrivateBus>(daemon.get());
        ASSERT_TRUE(m_bus->address()) << "dbus-daemon did not start";
    }

    DesktopNotificationService::Options options() const
    {
        DesktopNotificationService::Options options;
        options.busAddress = m_bus->address();
        options.applicationName = "cashier-test";
        return options;
    }

    std::unique_ptr<PrivateBus> m_bus;
};

} // namespace

TEST_F(DesktopNotificationBusTest, notice_reaches_the_service_with_markup_escaped_only_where_it_is_read)
{
    auto const body = std::string("HTTP <500> & \xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8");
    {
        FakeNotificationDaemon daemon(*m_bus->address(), { "body", "body-markup", "actions" });
        ASSERT_TRUE(daemon.ready());
        auto shown = DesktopNotificationService::notify(failureNotice(body), options());
        ASSERT_TRUE(shown.isOk()) << shown.error().message();
        EXPECT_EQ(shown.value(), 41u);
        auto notices = daemon.notices();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].sender, "cashier-test");
        EXPECT_EQ(notices[0].summary, "cashier-test");
        EXPECT_EQ(notices[0].body, "HTTP &lt;500&gt; &amp; \xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8");
        EXPECT_EQ(notices[0].actions, (std::vector<std::string> { "default", "Dismiss" }));
        EXPECT_EQ(notices[0].expireTimeout, -1);
    }
    // A plain-text service shows the text as it is; a notice without an
    // action offers none, and bytes that are not UTF-8 cannot break the call.
    FakeNotificationDaemon plain(*m_bus->address(), { "body" });
    ASSERT_TRUE(plain.ready());
    auto quiet = failureNotice(body + "\xFF");
    quiet.setHasAction(false);
    ASSERT_TRUE(DesktopNotificationService::notify(quiet, options()).isOk());
    auto notices = plain.notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].body.starts_with(body)) << notices[0].body;
    EXPECT_TRUE(g_utf8_validate(notices[0].body.c_str(), -1, nullptr));
    EXPECT_TRUE(notices[0].actions.empty());
}

TEST_F(DesktopNotificationBusTest, present_hands_over_without_waiting_and_a_missing_service_costs_one_line)
{
    std::vector<std::string> errors;
    std::mutex errorsMutex;
    auto sink = [&](const std::string& line) {
        std::lock_guard lock(errorsMutex);
        errors.push_back(line);
    };
    {
        // No daemon owns the name on this bus.
        DesktopNotificationService service(options(), sink);
        service.present(failureNotice("first"));
        service.present(failureNotice("second"));
        service.flush();
    }
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_TRUE(errors[0].starts_with("cashier-test: notification not shown: no notification service"))
        << errors[0];

    errors.clear();
    FakeNotificationDaemon daemon(*m_bus->address(), { "body" });
    ASSERT_TRUE(daemon.ready());
    DesktopNotificationService service(options(), sink);
    service.present(failureNotice("first"));
    service.present(failureNotice("second"));
    service.flush();
    EXPECT_TRUE(errors.empty()) << errors.front();
    auto notices = daemon.notices();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].body, "first");
    EXPECT_EQ(notices[1].body, "second");
}

TEST(DesktopNotificationService, no_session_bus_drops_the_notice_with_one_line_on_standard_error)
{
    // As on a server or in CI; the other tests name their bus themselves.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(DesktopNotificationService::sessionBusAddress(), std::nullopt);
    testing::internal::CaptureStderr();
    {
        DesktopNotificationService service;
        service.present(failureNotice("dropped"));
        service.flush();
    }
    auto const written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
    EXPECT_NE(written.find(": notification not shown: no session bus"), std::string::npos) << written;
}

TEST(DesktopNotificationService, a_bus_that_never_answers_or_is_not_there_is_given_up_within_the_bound)
{
    auto const directory = makeTemporaryDirectory();
    auto const path = directory / "silent";
    // Connections wait in its queue for ever: the greeting never comes.
    int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un where {};
    where.sun_family = AF_UNIX;
    std::snprintf(where.sun_path, sizeof where.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    ASSERT_EQ(::listen(silent, 4), 0);

    DesktopNotificationService::Options options;
    options.timeoutSeconds = 0.3;
    options.busAddress = "unix:path=" + path.string();
    auto stuck = DesktopNotificationService::notify(failureNotice("waits"), options);
    ASSERT_TRUE(stuck.isError());
    EXPECT_NE(stuck.error().message().find("no answer within 0.3 s"), std::string::npos)
        << stuck.error().message();

    for (auto address : { "unix:path=" + (directory / "nobody").string(), std::string("not an address") }) {
        options.busAddress = address;
        auto missing = DesktopNotificationService::notify(failureNotice("nowhere"), options);
        ASSERT_TRUE(missing.isError()) << address;
        EXPECT_TRUE(missing.error().message().starts_with("cannot reach the session bus"))
            << missing.error().message();
    }
    ::close(silent);
    std::filesystem::remove_all(directory);
}
