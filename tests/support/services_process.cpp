#include "support/services_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/settings.h"

namespace nb::test {

void WriteTestSettings(const std::filesystem::path& dataDir, int port,
                       const std::map<std::string, std::string>& overrides) {
    std::filesystem::create_directories(dataDir);
    Settings settings(dataDir / "settings.ini");
    settings.Load();
    settings.Set("Server Information", "IP/Host", "127.0.0.1");
    settings.Set("Server Information", "Port", std::to_string(port));
    settings.Set("Global", "FirstTime", "1");
    settings.Set("General", "Reconnect Delay", "1");
    for (const auto& [name, value] : overrides) {
        std::size_t slash = name.find('/');
        settings.Set(name.substr(0, slash), name.substr(slash + 1), value);
    }
    settings.Save();
}

ServicesProcess::~ServicesProcess() { Stop(); }

void ServicesProcess::Start(const std::filesystem::path& dataDir, const std::vector<std::string>& extraArgs) {
    outputFile_ = dataDir.parent_path() / (dataDir.filename().string() + ".out");
    std::vector<std::string> args = {NB_BINARY_PATH, "--data-dir", dataDir.string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        int out = ::open(outputFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        int in = ::open("/dev/null", O_RDONLY);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::dup2(in, STDIN_FILENO);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

int ServicesProcess::WaitForExit(int timeoutMs) {
    if (pid_ <= 0) return -1;
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

int ServicesProcess::Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = WaitForExit(5000);
    if (status == -1 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    return status;
}

void ServicesProcess::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

long ServicesProcess::ResidentKiB() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string field;
    while (status >> field) {
        if (field == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

std::string ServicesProcess::Output() const {
    std::ifstream in(outputFile_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace nb::test
