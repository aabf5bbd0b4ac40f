#pragma once
// What the zelvo-cli tests share: one command line run in-process, and a
// fixture that gives each test a fresh temporary folder of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "cli/Cli.h"

namespace zelvo::test {

/// Runs zelvo-cli with `args` (the words after the program name) and
/// returns its exit status; standard error and output go to `err` and
/// `out` when given.
inline int RunCli(std::vector<std::string> args, std::string* err = nullptr, std::string* out = nullptr) {
    std::ostringstream output, errors;
    const int status = cli::Run(args, output, errors);
    if (err) *err = errors.str();
    if (out) *out = output.str();
    return status;
}

/// A test with a temporary folder, removed again after the test.
class TCliFolderTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("zelvo-cli-test"); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    /// The path of `name` inside the folder, as a command-line word.
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::filesystem::path dir_;
};

}  // namespace zelvo::test
