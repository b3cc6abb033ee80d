// Runs dravmoor-sim as a child process for one row of the fault matrix: started with the
// row's options, ready once its socket is bound, stopped (SIGTERM, then reaped) when the row
// ends. The sim's log goes to /dev/null.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace reliability {

class SimProcess {
public:
    SimProcess(const std::string& path, std::vector<std::string> args)
    {
        char dir[] = "/tmp/dravmoor-sim-XXXXXX";
        if (!::mkdtemp(dir)) throw std::runtime_error("mkdtemp");
        m_dir = dir;
        const std::string ready = m_dir + "/ready";
        args.insert(args.begin(), path);
        args.push_back("--ready");
        args.push_back(ready);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid < 0) throw std::runtime_error("fork");
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execv(path.c_str(), argv.data());
            ::_exit(127);
        }
        struct stat st;
        for (int i = 0; i < 400 && ::stat(ready.c_str(), &st) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (::stat(ready.c_str(), &st) != 0) {
            Stop();
            throw std::runtime_error("dravmoor-sim did not become ready");
        }
    }
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

private:
    void Stop()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (!m_dir.empty()) {
            ::unlink((m_dir + "/ready").c_str());
            ::rmdir(m_dir.c_str());
            m_dir.clear();
        }
    }

    pid_t m_pid = -1;
    std::string m_dir;
};

}  // namespace reliability
