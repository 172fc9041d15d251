#include "fault_support.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "engine/farm_cycle.h"

bool runningAsRoot() {
    return ::geteuid() == 0;
}

TmpfsMount::TmpfsMount(std::string dir, const std::string& size) : dir_(std::move(dir)) {
    std::string options = "size=" + size + ",mode=0755";
    if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        error_ = "cannot mount a tmpfs on " + dir_ + ": " + std::strerror(errno) +
                 " (the fault tests run as root)";
    }
}

TmpfsMount::~TmpfsMount() {
    if (mounted_ && ::umount2(dir_.c_str(), 0) != 0) {
        ::umount2(dir_.c_str(), MNT_DETACH);
    }
}

size_t fillFileSystem(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return 0;
    }
    size_t written = 0;
    char block[4096] = {};
    for (size_t chunk : {sizeof block, size_t{1}}) {
        while (::write(fd, block, chunk) == static_cast<ssize_t>(chunk)) {
            written += chunk;
        }
    }
    ::close(fd);
    return written;
}

bool giveToNobody(const std::string& path) {
    const passwd* user = ::getpwnam("nobody");
    const group* group = ::getgrnam("nogroup");
    if (!user || !group) {
        return false;
    }
    bool ok = ::lchown(path.c_str(), user->pw_uid, group->gr_gid) == 0;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path))) {
        return ok;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
        ok = ::lchown(entry.path().c_str(), user->pw_uid, group->gr_gid) == 0 && ok;
    }
    return ok && !ec;
}

void openToEveryone(const std::string& path) {
    ::chmod(path.c_str(), 0755);
}

std::vector<std::string> asNobody(const std::string& program,
                                  const std::vector<std::string>& args) {
    std::vector<std::string> out{"--reuid=nobody", "--regid=nogroup", "--clear-groups", program};
    out.insert(out.end(), args.begin(), args.end());
    return out;
}

LiveFarm::LiveFarm(ScenarioFarm& f)
    : farm(f.fixture.host, f.fixture.fs, clock, f.fixture.settingsFile) {}

bool LiveFarm::tickUntil(const std::function<bool()>& done, int maxTicks) {
    for (int i = 0; i < maxTicks && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        auto start = std::chrono::steady_clock::now();
        farmTick(farm);
        auto took = std::chrono::steady_clock::now() - start;
        longestTickMs_ = std::max<long>(
            longestTickMs_, std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
    }
    return done();
}

bool allRendered(const ScenarioFarm& f, const std::string& prefix, int first, int last, int step) {
    for (int frame = first; frame <= last; frame += step) {
        if (!fileExists(renderedImage(f, prefix, frame))) {
            return false;
        }
    }
    return true;
}
