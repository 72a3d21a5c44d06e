#include "git_setup.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "tool_files.h"

extern char** environ;

namespace gridwright {

namespace {

namespace fs = std::filesystem;

// Runs git with the arguments, its standard output into output when given, its standard error
// shown unless quiet. Its exit status, or -1 when it could not be run (errno says why).
int RunGit(const std::vector<std::string>& arguments, std::string* output, bool quiet = false) {
    std::vector<char*> argv;
    std::string program = "git";
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output)
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, "git", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        errno = spawned;
        return -1;
    }
    if (output) output->clear();
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (output) output->append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    // A program that is not there shows as the shell's 127 from the child.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        errno = ENOENT;
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Text for a POSIX shell: as it is when it holds nothing the shell acts on.
std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789/._+-") == std::string::npos;
    if (plain) return text;
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool GitFailed(const std::string& what) {
    std::cerr << "gridmap: " << what << "\n";
    return false;
}

// Whether the text holds the attributes line, blanks around it aside.
bool HasAttributesLine(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string_view::npos) {
            line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
            if (line == kGitAttributesLine) return true;
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return false;
}

bool AddAttributesLine(const std::string& top) {
    const std::string path = (fs::path(top) / ".gitattributes").string();
    std::vector<std::uint8_t> bytes;
    std::string reason;
    std::error_code error;
    if (fs::exists(fs::symlink_status(path, error))) {
        constexpr std::size_t kLimit = 16 << 20;
        if (!tool_files::ReadInput(path, kLimit, bytes, reason))
            return GitFailed("cannot read " + path + ": " + reason);
        if (bytes.size() > kLimit) return GitFailed(path + " is larger than any attributes file");
    }
    std::string text(bytes.begin(), bytes.end());
    if (HasAttributesLine(text)) return true;
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += kGitAttributesLine;
    text += '\n';
    if (!tool_files::ReplaceFile(
            path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, reason))
        return GitFailed("cannot write " + path + ": " + reason);
    std::cout << "added to " << path << ": " << kGitAttributesLine << "\n";
    return true;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> GitDriverSettings(const std::string& program) {
    // git runs both through the shell: %O, %A and %B are the merge's base, ours (which takes
    // the result) and theirs.
    return {{"diff.qmap.textconv", program + " textconv"},
            {"merge.qmap.name", "QUORIX map files, cell by cell"},
            {"merge.qmap.driver", program + " merge %O %A %B"}};
}

std::string ProgramForGit() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return "gridmap";
    // The first gridmap on the search path is the one git would start.
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath ? searchPath : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string folder(folders.substr(0, colon));
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / "gridmap";
        if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate, error)) {
            if (fs::equivalent(candidate, self, error)) return "gridmap";
            break;
        }
        if (colon == std::string_view::npos) break;
        folders.remove_prefix(colon + 1);
    }
    return ShellWord(self.string());
}

bool SetUpGit(bool global) {
    const std::string scope = global ? "--global" : "--local";
    std::string top;
    if (!global) {
        const int status = RunGit({"rev-parse", "--show-toplevel"}, &top, /*quiet=*/true);
        if (status < 0)
            return GitFailed("cannot run git: " + std::generic_category().message(errno));
        if (status != 0)
            return GitFailed(
                "not inside a git repository (gridmap git-setup --global sets up your own "
                "configuration for every repository)");
        top = WithoutLineEnd(top);
    }
    for (const auto& [key, value] : GitDriverSettings(ProgramForGit())) {
        std::string current;
        const int status = RunGit({"config", scope, "--get", key}, &current, /*quiet=*/true);
        if (status < 0)
            return GitFailed("cannot run git: " + std::generic_category().message(errno));
        if (status == 0 && WithoutLineEnd(current) == value) continue;
        if (RunGit({"config", scope, "--replace-all", key, value}, nullptr) != 0)
            return GitFailed("git config " + scope + " " + key + " failed");
        std::cout << "git config " << scope << " " << key << " " << ShellWord(value) << "\n";
    }
    return global || AddAttributesLine(top);
}

}  // namespace gridwright
