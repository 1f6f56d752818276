#include "history_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <nettle/sha2.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor::history::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vantor-history-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
}

std::string sha256Hex(const std::string& bytes) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, sizeof digest, digest);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (uint8_t b : digest) {
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
    }
    return out;
}

std::string patternBytes(const std::string& path, size_t size) {
    unsigned seed = 0;
    for (unsigned char c : path)
        seed += c;
    seed %= 256;
    std::string out(size, '\0');
    for (size_t j = 0; j < size; ++j)
        out[j] = char((j * 131 + seed) % 256);
    return out;
}

namespace {

std::string narrow(const std::u16string& name) {
    return std::string(name.begin(), name.end());
}

void listInto(cfb::CompoundFile& file, cfb::EntryId storage, const std::string& prefix,
              std::vector<std::string>& out) {
    for (const cfb::ChildInfo& child : file.children(storage)) {
        std::string path = prefix + narrow(child.name);
        if (child.type == cfb::EntryType::Storage) {
            out.push_back("D " + path);
            listInto(file, child.id, path + "/", out);
        } else {
            std::string bytes(size_t(child.size), '\0');
            file.read(child.id, 0, std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()));
            out.push_back("S " + path + " " + std::to_string(child.size) + " " + sha256Hex(bytes));
        }
    }
}

} // namespace

std::vector<std::string> engineManifest(const fs::path& file) {
    auto opened =
        cfb::CompoundFile::open(file, cfb::CompoundFile::Access::Read, {.durable = false, .lock = true});
    std::vector<std::string> out;
    listInto(opened, cfb::kRootEntry, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

CommandResult runCommand(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 2);
        ::close(pipeFds[0]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    CommandResult result;
    char buf[65536];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        result.output.append(buf, size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::optional<std::string> pythonWith(const std::string& module) {
    static std::map<std::string, std::optional<std::string>> cache;
    if (auto it = cache.find(module); it != cache.end()) return it->second;
    std::string probe = module == "gsf"
                            ? "import gi; gi.require_version('Gsf', '1'); from gi.repository import Gsf"
                            : "import " + module;
    std::vector<std::string> candidates;
    if (const char* env = std::getenv("VANTOR_PYTHON")) candidates.push_back(env);
    candidates.push_back("/usr/bin/python3");
    candidates.push_back("python3");
    std::optional<std::string> found;
    for (const std::string& python : candidates)
        if (runCommand({python, "-c", probe}).status == 0) {
            found = python;
            break;
        }
    cache[module] = found;
    return found;
}

std::string scriptPath(const std::string& name) {
    return std::string(VANTOR_SOURCE_DIR) + "/tests/history/" + name;
}

std::optional<std::vector<std::vector<std::string>>> oleManifests(const std::vector<fs::path>& files) {
    std::optional<std::string> python = pythonWith("olefile");
    if (!python) return std::nullopt;
    std::vector<std::string> argv{*python, scriptPath("ole_manifest.py")};
    for (const fs::path& f : files)
        argv.push_back(f.string());
    CommandResult result = runCommand(argv);
    std::vector<std::vector<std::string>> out;
    size_t pos = 0;
    while (pos < result.output.size()) {
        size_t end = result.output.find('\n', pos);
        if (end == std::string::npos) end = result.output.size();
        std::string line = result.output.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("== ", 0) == 0)
            out.emplace_back();
        else if (!out.empty() && !line.empty())
            out.back().push_back(line);
    }
    if (out.size() != files.size()) out.assign(files.size(), {"error olefile did not answer"});
    return out;
}

} // namespace vantor::history::test
