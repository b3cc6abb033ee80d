#include "cli/many.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/sockets/source_port.h"

namespace cli {

void AdapterSink::ShowMessage(const std::string& text)
{
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    m_messages.push_back(line);
}

std::string AdapterSink::Text() const
{
    std::string all;
    for (const std::string& m : m_messages) all += (all.empty() ? "" : "; ") + m;
    return all;
}

void ForEachAdapter(std::size_t count, sockets::SocketApi& api, const Io& io,
                    const std::function<void(std::size_t, sockets::SocketApi&)>& work,
                    const std::function<void(std::size_t)>& done)
{
    std::mutex lock;
    std::size_t finished = 0;
    const auto finish = [&] {
        const std::lock_guard<std::mutex> hold(lock);
        ++finished;
        if (done) done(finished);
    };
    // One exchange per thread at a time, each on its own socket and request port: more
    // threads than ports would send from ports a firewall does not open.
    const std::size_t threads =
        io.newSocketApi ? std::min<std::size_t>(count, sockets::kSourcePortCount) : 0;
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i, api);
            finish();
        }
        return;
    }
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            const std::unique_ptr<sockets::SocketApi> own = io.newSocketApi();
            for (std::size_t i; (i = next++) < count;) {
                work(i, *own);
                finish();
            }
        });
    }
    for (std::thread& t : pool) t.join();
}

Progress::Progress(const Io& io, std::string what, std::size_t total)
    : m_io(io), m_what(std::move(what)), m_total(total)
{
    Update(0);
}

Progress::~Progress()
{
    if (m_shown) std::fprintf(m_io.err, "\r\033[K");
}

void Progress::Update(std::size_t done)
{
    if (!m_io.progress) return;
    m_shown = true;
    std::fprintf(m_io.err, "\r%s %zu/%zu", m_what.c_str(), done, m_total);
    std::fflush(m_io.err);
}

}  // namespace cli
