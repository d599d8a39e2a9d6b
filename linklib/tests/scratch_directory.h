// A private working directory for each test, so REMOTERR.LOG starts empty.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quillsan::test {

// Runs the test in a fresh directory so REMOTERR.LOG starts empty.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        char pattern[] = "/tmp/quillsan-test-XXXXXX";
        path_ = mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string Log() const {
        std::ifstream in(path_ / "REMOTERR.LOG", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace quillsan::test
