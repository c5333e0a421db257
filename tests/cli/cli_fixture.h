// Runs the built sectorscope-cli on images a test writes into a folder of its
// own, and reads back its stdout, stderr and exit status.
#pragma once

#include "support/image_builder.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ss::testimg {

namespace fs = std::filesystem;

// What the program writes with --json, read back.
using Json = nlohmann::json;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline std::vector<std::string> Columns(const std::string& line) {
    std::vector<std::string> cols;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        cols.push_back(line.substr(start, tab - start));
    }
    cols.push_back(line.substr(start));
    return cols;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "sectorscope-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes an image into the test's folder and gives its path.
    std::string Image(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        WriteFile(path, bytes);
        return path;
    }

    // Runs the program with stdout and stderr going to files.
    Outcome RunCli(const std::vector<std::string>& args) {
        const std::string outPath = (dir_ / "stdout").string();
        const std::string errPath = (dir_ / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::string> all{SECTORSCOPE_CLI};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);

        Outcome run;
        pid_t pid = 0;
        const int spawned =
            posix_spawn(&pid, SECTORSCOPE_CLI, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        int wstatus = 0;
        if (spawned == 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) {
            run.status = WEXITSTATUS(wstatus);
        }
        run.out = Slurp(outPath);
        run.err = Slurp(errPath);
        return run;
    }

    fs::path dir_;
};

} // namespace ss::testimg
