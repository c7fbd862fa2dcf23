// Temporaries that cannot be hijacked, fit the file system's name limit, and do not outlive the
// process that made them.
#include "core/PendingFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace gc {
namespace {

namespace fs = std::filesystem;

struct Folder {
    Folder() {
        char name[] = "/tmp/gc-pending-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~Folder() { fs::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool WriteThrough(PendingFile& file, const std::string& text) {
    std::FILE* stream = file.CreateStream("wb");
    return stream != nullptr && std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
           file.CloseAndCommit(stream);
}

// A process number no process has: a child that has ended and been reaped.
long EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<long>(child);
}

// A link planted at the temporary name, or an output that is a link: the link is replaced, its
// target never written.
TEST(PendingFile, NoLinkIsEverFollowed) {
    for (const bool atTemporary : {true, false}) {
        SCOPED_TRACE(atTemporary ? "link at the temporary name" : "output is a link");
        Folder folder;
        const std::string target = folder.File("target.dat"), out = folder.File("out.mrc");
        Write(target, "precious");
        if (!atTemporary)
            fs::create_symlink(target, out);
        PendingFile file(out);
        const std::string temporary = file.TemporaryPath();
        if (atTemporary)
            fs::create_symlink(target, temporary);
        ASSERT_TRUE(WriteThrough(file, "output"));
        EXPECT_EQ(Read(target), "precious");
        EXPECT_FALSE(fs::is_symlink(out));
        EXPECT_EQ(Read(out), "output");
        EXPECT_EQ(fs::is_symlink(temporary), atTemporary) << "someone else's link is left alone";
    }
    // Two files for one final name never share a temporary (a random part, not only a counter).
    Folder folder;
    EXPECT_NE(PendingFile(folder.File("a")).TemporaryPath(), PendingFile(folder.File("a")).TemporaryPath());
}

TEST(PendingFile, CreatedWithTheUmaskApplied) {
    Folder folder;
    const mode_t old = ::umask(027);
    PendingFile file(folder.File("out.txt"));
    const bool written = WriteThrough(file, "x");
    ::umask(old);
    ASSERT_TRUE(written);
    struct stat status;
    ASSERT_EQ(::stat(folder.File("out.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST(PendingFile, LongNamesShortenOnlyTheTemporary) {
    Folder folder;
    for (const std::size_t length : {200u, 235u, 255u}) {
        // Multi-byte characters at the cut: the temporary's name stays whole characters.
        std::string name(length - 5, 'a');
        name.replace(length - 40, 2, "\xC2\xB5");
        name += ".tif";
        name.resize(length, 'f');
        PendingFile file(folder.File(name));
        const std::string temporary = fs::path(file.TemporaryPath()).filename().string();
        EXPECT_LE(temporary.size(), 255u) << length;
        EXPECT_TRUE(IsPendingFileName(temporary)) << temporary;
        ASSERT_TRUE(WriteThrough(file, "x")) << length << ": " << std::strerror(errno);
        EXPECT_EQ(Read(folder.File(name)), "x");
    }
}

// The host part of this process's temporaries, read off a temporary's name.
std::string ThisHostPart() {
    const std::string name = fs::path(PendingFile("/tmp/x").TemporaryPath()).filename().string();
    const std::string pid = "-" + std::to_string(static_cast<long>(::getpid())) + "-";
    const std::size_t start = name.find(".gc-") + 4;
    return name.substr(start, name.rfind(pid) - start);
}

void SetAge(const std::string& path, std::chrono::minutes age) {
    const auto when = fs::file_time_type::clock::now() - age;
    fs::last_write_time(path, when);
}

// Only a temporary provably abandoned goes: made on this host, by a process that has ended, and not
// written for the grace period. Tasks on other nodes or in other PID namespaces share the folder.
TEST(PendingFile, OnlyAbandonedTemporariesOfThisHostAreRemoved) {
    const std::string host = ThisHostPart();
    const std::string dead = std::to_string(EndedProcess());
    const std::string live = std::to_string(static_cast<long>(::getppid()));
    const std::string mine = std::to_string(static_cast<long>(::getpid()));
    const auto old = TEMPORARY_GRACE + std::chrono::minutes(1);
    const auto fresh = std::chrono::minutes(1);
    const struct {
        std::string name;
        std::chrono::minutes age;
        bool removed;
    } cases[] = {
        {".s_1.mrc.gc-" + host + "-" + dead + "-0123456789abcdef.tmp", old, true},
        {".s_2.mrc.gc-" + host + "-" + dead + "-0123456789abcdef.tmp", fresh, false},
        {".s_3.mrc.gc-node-17-" + dead + "-0123456789abcdef.tmp", old, false},
        {".s_4.mrc.gc-" + host + "x-" + dead + "-0123456789abcdef.tmp", old, false},
        {".s_5.mrc.gc-" + dead + "-0123456789abcdef.tmp", old, false},
        {".s_6.mrc.gc-" + host + "-" + live + "-1.tmp", old, false},
        {".s_7.mrc.gc-" + host + "-" + mine + "-2.tmp", old, false},
        {".s_8.mrc.swp", old, false},
    };
    Folder folder;
    for (const auto& entry : cases) {
        Write(folder.File(entry.name), "x");
        SetAge(folder.File(entry.name), entry.age);
    }
    // Asked for one output's temporaries, the others are not looked at.
    EXPECT_EQ(RemoveStaleTemporaries(folder.path.string() + "/", "s_2.mrc"), 0);
    EXPECT_EQ(RemoveStaleTemporaries(folder.path.string() + "/"), 1);
    for (const auto& entry : cases)
        EXPECT_EQ(fs::exists(folder.File(entry.name)), !entry.removed) << entry.name;
}

TEST(PendingFile, TheSignalPathRemovesEveryPendingTemporary) {
    Folder folder;
    PendingFile first(folder.File("a.mrc")), second(folder.File("b.mrc")), done(folder.File("c.mrc"));
    for (PendingFile* file : {&first, &second, &done})
        ::close(file->Create());
    ASSERT_TRUE(done.Commit());
    RemovePendingTemporariesNow();
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder.path))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"c.mrc"});
}

TEST(PendingFile, ReadOnlyMeansNoWritePermissionForAnyone) {
    Folder folder;
    const std::string path = folder.File("f");
    Write(path, "x");
    const struct {
        fs::perms perms;
        bool readOnly;
    } cases[] = {{fs::perms::owner_read | fs::perms::group_read, true},
                 {fs::perms::none, true},
                 {fs::perms::owner_read | fs::perms::owner_write, false}};
    for (const auto& c : cases) {
        fs::permissions(path, c.perms);
        EXPECT_EQ(IsReadOnlyFile(path), c.readOnly) << static_cast<int>(c.perms);
    }
    EXPECT_FALSE(IsReadOnlyFile(folder.File("missing")));
    fs::create_symlink(path, folder.File("link"));
    EXPECT_FALSE(IsReadOnlyFile(folder.File("link"))) << "a link is replaced, whatever its target";
}

} // namespace
} // namespace gc
