// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes (kept, and its path printed, when KESTRUN_KEEP_TEMP is set, to look at a failure);
// plus small helpers to write and read whole files in tests and to count what they hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(std::string_view name) const;
    // Creates the folder path() + "/" + name (and its parents) and gives its path.
    std::string makeDir(std::string_view name) const;

  private:
    std::string path_;
};

void writeText(const std::string& path, std::string_view text);
std::string readText(const std::string& path);
// The lines of text, without their line feeds.
std::vector<std::string> linesOf(const std::string& text);
bool fileExists(const std::string& path);
// How often what stands in text (overlapping places counted).
int countOf(std::string_view text, std::string_view what);
// Sets the last-write time of a file, in seconds since the Unix epoch.
void setModifiedTime(const std::string& path, long seconds);
