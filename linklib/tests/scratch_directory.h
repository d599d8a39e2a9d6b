// A private working directory for each test, so REMOTERR.LOG starts empty.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quillsan::test {

class ScratchDirectory {
  public:
    ScratchDirectory() {
        static std::atomic<unsigned> serial{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (;;) {
            path_ = std::filesystem::temp_directory_path() /
                    ("quillsan-test-" + std::to_string(stamp) + "-" + std::to_string(++serial));
            if (std::filesystem::create_directory(path_)) break;
        }
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string Log() const {
        // Text mode: on Windows the CRLF line ends of the log read back as line feeds.
        std::ifstream in(path_ / "REMOTERR.LOG");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace quillsan::test
