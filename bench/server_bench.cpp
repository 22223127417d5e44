// The stand-in server under clients that ask much. First, another client's connect,
// greeting and procedure call, alone and while one client pipelines many one-row fetches
// of its own cursor in one send (and reads its answers as they come). Then the server's
// peak resident memory with many synthetic users: one result; six results held with a
// fault that reshapes them; six results held while the count of users changes.
//
//   build/bench/bin/server_bench [fetches] [users] [--server PATH]
//
// --server measures another build of the server (an older one, to compare): the benchmark
// speaks only the wire protocol.

#include "BenchClock.h"
#include "Wire.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace BenchClock;

const std::string UsersSql = "EXECUTE PROCEDURE sp_mgGetConnectedUsers();";
const std::string UsageSql = "EXECUTE PROCEDURE sp_mgGetUsageInfo();";

// A stand-in server process on a free loopback port, logging into a file of its own.
class ServerProcess {
public:
    explicit ServerProcess(const std::string &path)
    {
        char logName[] = "/tmp/server-bench-XXXXXX";
        const int log = ::mkstemp(logName);
        if (log < 0)
            throw std::runtime_error("cannot create a log file");
        m_log = logName;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(log, STDOUT_FILENO);
            ::execl(path.c_str(), path.c_str(), "--control", "--with-parent", "--listen",
                    "127.0.0.1:0", static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(log);
        for (int i = 0; i < 1000 && m_port == 0; ++i) {
            std::ifstream file(m_log);
            std::string line;
            if (std::getline(file, line) && line.rfind("listening ", 0) == 0 && file.good())
                m_port = std::stoi(line.substr(line.rfind(':') + 1));
            else
                ::usleep(10000);
        }
        if (m_port == 0)
            throw std::runtime_error("the server did not start: " + path);
    }
    ~ServerProcess()
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        ::unlink(m_log.c_str());
    }
    int port() const { return m_port; }
    // A "Vm...:" figure of /proc/PID/status, in MiB.
    double memoryMiB(const std::string &field) const
    {
        std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field + ":", 0) == 0)
                return std::stod(line.substr(field.size() + 1)) / 1024.0;
        return -1;
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_log;
};

// A client with blocking calls.
class Client {
public:
    explicit Client(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(std::uint16_t(port));
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot connect");
        const int on = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    ~Client() { ::close(m_fd); }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    void send(const std::vector<std::uint8_t> &bytes)
    {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t n = ::send(m_fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0)
                throw std::runtime_error("the server went away");
            at += std::size_t(n);
        }
    }
    // The next answer's payload.
    std::vector<std::uint8_t> read()
    {
        for (;;) {
            if (m_buffer.size() - m_at >= 4) {
                std::uint32_t length = 0;
                std::memcpy(&length, m_buffer.data() + m_at, 4);
                if (m_buffer.size() - m_at - 4 >= length) {
                    std::vector<std::uint8_t> payload(m_buffer.begin() + long(m_at + 4),
                                                      m_buffer.begin() + long(m_at + 4 + length));
                    m_at += 4 + length;
                    return payload;
                }
            }
            if (m_at > 0) {
                m_buffer.erase(m_buffer.begin(), m_buffer.begin() + long(m_at));
                m_at = 0;
            }
            std::uint8_t chunk[1 << 16];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                throw std::runtime_error("the server ended the link");
            m_buffer.insert(m_buffer.end(), chunk, chunk + n);
        }
    }
    std::vector<std::uint8_t> call(const wire::Writer &request)
    {
        send(request.frame());
        return read();
    }
    void greet()
    {
        if (call(wire::Writer(wire::Hello)
                     .str("daten")
                     .str("WS")
                     .str("bench")
                     .str("b")
                     .str("")
                     .str(""))[0] != wire::Welcome)
            throw std::runtime_error("not welcomed");
    }
    // Opens a result; gives its cursor.
    std::uint32_t execute(const std::string &sql)
    {
        const std::vector<std::uint8_t> answer = call(wire::Writer(wire::Execute).str(sql).u16(0));
        if (answer[0] != wire::Result)
            throw std::runtime_error("no result for " + sql);
        std::uint32_t cursor = 0;
        std::memcpy(&cursor, answer.data() + 1, 4);
        return cursor;
    }
    void control(const std::string &json)
    {
        if (call(wire::Writer(wire::Control).str(json))[0] != wire::Ok)
            throw std::runtime_error("control refused: " + json);
    }

private:
    int m_fd = -1;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_at = 0;
};

// Connect, greeting, one procedure call, goodbye.
double otherClientMs(int port)
{
    const Clock::time_point start = Clock::now();
    Client client(port);
    client.greet();
    client.execute(UsageSql);
    return msSince(start);
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

struct Latency {
    std::vector<double> alone, flooded;
    double floodMs = 0;
};

Latency underFlood(const std::string &server, int fetches)
{
    ServerProcess process(server);
    Latency latency;
    for (int i = 0; i < 200; ++i)
        latency.alone.push_back(otherClientMs(process.port()));

    Client flood(process.port());
    flood.greet();
    const std::uint32_t cursor = flood.execute(UsersSql);
    std::vector<std::uint8_t> requests;
    const std::vector<std::uint8_t> fetch =
        wire::Writer(wire::Fetch).u32(cursor).u32(0).u32(1).frame();
    for (int i = 0; i < fetches; ++i)
        requests.insert(requests.end(), fetch.begin(), fetch.end());
    std::atomic<bool> done{false};
    std::string failed;
    const Clock::time_point start = Clock::now();
    std::thread reader([&] {
        try {
            for (int i = 0; i < fetches; ++i)
                flood.read();
        } catch (const std::exception &error) {
            failed = error.what();
        }
        latency.floodMs = msSince(start);
        done = true;
    });
    // A send the server does not take ends with the link.
    std::thread writer([&] {
        try {
            flood.send(requests);
        } catch (const std::exception &) {
        }
    });
    while (!done)
        latency.flooded.push_back(otherClientMs(process.port()));
    writer.join();
    reader.join();
    if (!failed.empty())
        throw std::runtime_error("the pipelining client: " + failed);
    return latency;
}

struct Memory {
    double one = 0, reshaped = 0, changing = 0;
};

// Six results held, each with its first rows fetched; the server's peak resident memory.
double heldResults(const std::string &server, int users, bool reshape, bool changing)
{
    ServerProcess process(server);
    Client client(process.port());
    client.greet();
    if (reshape)
        client.control(R"({"dropFields":{"sp_mgGetConnectedUsers":["TSAddress"]}})");
    const int results = reshape || changing ? 6 : 1;
    for (int i = 0; i < results; ++i) {
        client.control(R"({"syntheticUsers":)" + std::to_string(users - (changing ? i : 0)) + "}");
        const std::uint32_t cursor = client.execute(UsersSql);
        if (client.call(wire::Writer(wire::Fetch).u32(cursor).u32(0).u32(1000))[0] != wire::Rows)
            throw std::runtime_error("no rows");
    }
    return process.memoryMiB("VmHWM");
}

} // namespace

int main(int argc, char *argv[])
{
    std::string server = STANDIN_SERVER_PATH;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc)
            server = argv[++i];
        else
            numbers.push_back(std::max(1, std::atoi(argv[i])));
    }
    const int fetches = numbers.size() > 0 ? numbers[0] : 600000;
    const int users = numbers.size() > 1 ? numbers[1] : 1000000;
    try {
        const Latency latency = underFlood(server, fetches);
        std::printf("another client's connect, greeting and call (ms)\n");
        std::printf("%-34s %7s %7s %7s %7s\n", "case", "calls", "median", "p99", "max");
        std::printf("%-34s %7zu %7.2f %7.2f %7.2f\n", "alone", latency.alone.size(),
                    percentile(latency.alone, 0.5), percentile(latency.alone, 0.99),
                    percentile(latency.alone, 1.0));
        const std::string flooded = "while " + std::to_string(fetches) + " fetches are served";
        std::printf("%-34s %7zu %7.2f %7.2f %7.2f\n", flooded.c_str(), latency.flooded.size(),
                    percentile(latency.flooded, 0.5), percentile(latency.flooded, 0.99),
                    percentile(latency.flooded, 1.0));
        std::printf("the pipelined fetches took %.0f ms\n", latency.floodMs);
        const double worst = percentile(latency.flooded, 1.0);
        std::printf("goal: another client's call within 50 ms during the flood: %s\n\n",
                    worst <= 50 ? "met" : "MISSED");

        Memory memory;
        memory.one = heldResults(server, users, false, false);
        memory.reshaped = heldResults(server, users, true, false);
        memory.changing = heldResults(server, users, false, true);
        std::printf("the server's peak resident memory with %d synthetic users (MiB)\n", users);
        std::printf("%-46s %9.1f\n", "one result", memory.one);
        std::printf("%-46s %9.1f\n", "six results held, reshaped by a fault", memory.reshaped);
        std::printf("%-46s %9.1f\n", "six results held, one user fewer each", memory.changing);
        const bool met = std::max(memory.reshaped, memory.changing) <= 1.25 * memory.one;
        std::printf("goal: six results held within 1.25 x one result's memory: %s\n",
                    met ? "met" : "MISSED");
    } catch (const std::exception &error) {
        std::fprintf(stderr, "server_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
