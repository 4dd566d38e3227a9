// A settings file of the test's own: made empty in /tmp for each test,
// handed to the library as its configuration file on request, read back as
// the library flushes it, and removed afterwards.
#pragma once
#include "test_support.h"
#include <allegro.h>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

class ConfigFileTest : public ::testing::Test {
protected:
    std::string path;
    void SetUp() override
    {
        headless_init(32);
        char tmpl[] = "/tmp/vorlin-settings-XXXXXX";
        const int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path = tmpl;
    }
    void TearDown() override
    {
        set_config_file("/dev/null");
        std::remove(path.c_str());
    }
    // The file holds `text` and is the library's configuration file.
    void write_file(const std::string& text)
    {
        std::ofstream(path) << text;
        set_config_file(path.c_str());
    }
    // What the library has written to it.
    std::string file_text()
    {
        flush_config_file();
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};
