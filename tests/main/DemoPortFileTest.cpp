#include "main/DemoPortFile.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Whatever the file came to hold, the demo still starts: anything but a port
// reads as no port, and the next write puts a good one back.
TEST(DemoPortFileTest, a_file_holding_anything_but_a_port_reads_as_none)
{
    auto const folder
        = std::filesystem::temp_directory_path() / ("demo-port-test-" + std::to_string(::getpid()));
    DemoPortFile file(folder / "demo-port");
    EXPECT_FALSE(file.read());

    for (const char* bad : { "", "0", "65536", "-80", "80x", "8 0", "port", "99999999999999999999" }) {
        std::filesystem::create_directories(folder);
        std::ofstream(file.path()) << bad;
        EXPECT_FALSE(file.read()) << bad;
    }
    file.write(8080);
    EXPECT_EQ(file.read(), 8080);
    std::ofstream(file.path()) << " 8081\n";
    EXPECT_EQ(file.read(), 8081);

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace
