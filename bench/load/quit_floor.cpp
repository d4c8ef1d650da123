// What a quit's system calls alone cost on this machine, measured beside the services' quits.
// A peer on loopback sends a QUIT line and waits for the answer, 2 ms apart, as the load
// bench's clients quit. Each line wakes epoll_wait; the receiver reads it, and for a registered
// user's quit checks the journal's name and appends a journal block, then appends the debug
// line, sends the net channel line and reads until the socket is empty: the calls the services
// make for one quit, with nothing else around them. Prints the receiver's CPU per quit in µs by
// the scheduler's count, the count the load bench reads for the services.
//
//   quit_floor <quits> <folder> [plain]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

const char kQuitLine[] = ":bn0000075 QUIT :\"Quit: one of many\"\r\n";
const char kDebugLine[] = "[12/7/2026 8:02:00 PM] :bn0000075 QUIT :\"Quit: one of many\"\r\n";
const char kNetLine[] = ":OperServ PRIVMSG #nb.netinfo :[8:02:00 PM] \x02" "bn0000075\x02 has left IRC (\x02Quit: one of many\x02)\r\n";

long long RanNanoseconds() {
    std::ifstream schedstat("/proc/thread-self/schedstat");
    long long ran = 0;
    schedstat >> ran;
    return ran;
}

// About the size of a registered user's quit: the nick's record changed, its quit line changed.
std::string JournalBlock() {
    std::string nickLine = "bn0000075 " + std::string(180, 'x');
    std::string quitLine = "bn0000075 Quit: one of many";
    return "* NickServ/NickServ.nb2 " + std::to_string(nickLine.size()) + "\n" + nickLine + "\n* NickServ/Quit.nb2 " +
           std::to_string(quitLine.size()) + "\n" + quitLine + "\nend 2 9f3a0c4e1b2d7a65\n";
}

void Peer(const sockaddr_in& address, int quits) {
    int peer = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) std::exit(1);
    int one = 1;
    setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char answer[512];
    for (int quit = 0; quit < quits; ++quit) {
        if (send(peer, kQuitLine, sizeof kQuitLine - 1, 0) < 0 || recv(peer, answer, sizeof answer, 0) <= 0) std::exit(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quit_floor <quits> <folder> [plain]\n");
        return 2;
    }
    int quits = std::atoi(argv[1]);
    std::string folder = argv[2];
    bool registered = !(argc > 3 && std::strcmp(argv[3], "plain") == 0);

    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 1;
    if (fork() == 0) Peer(address, quits);

    int link = accept(listener, nullptr, nullptr);
    int one = 1;
    setsockopt(link, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fcntl(link, F_SETFL, O_NONBLOCK);
    int poll = epoll_create1(0);
    epoll_event wanted{};
    wanted.events = EPOLLIN | EPOLLET;
    wanted.data.fd = link;
    epoll_ctl(poll, EPOLL_CTL_ADD, link, &wanted);
    std::string journalPath = folder + "/floor.journal";
    int journal = open(journalPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC, 0600);
    int debug = open((folder + "/floor-debug.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC, 0600);
    std::string block = JournalBlock();

    long long before = RanNanoseconds();
    char buffer[8192];
    for (int handled = 0; handled < quits;) {
        epoll_event ready[8];
        if (epoll_wait(poll, ready, 8, -1) < 0) continue;
        for (;;) {
            ssize_t got = recv(link, buffer, sizeof buffer, 0);
            if (got == 0) return 1;  // the peer gave up
            if (got < 0) break;
            ++handled;
            struct stat named {};
            if (registered && (lstat(journalPath.c_str(), &named) != 0 || write(journal, block.data(), block.size()) < 0)) return 1;
            if (write(debug, kDebugLine, sizeof kDebugLine - 1) < 0) return 1;
            send(link, kNetLine, sizeof kNetLine - 1, MSG_NOSIGNAL);
        }
    }
    long long ran = RanNanoseconds() - before;
    wait(nullptr);
    std::printf("%.1f\n", ran / 1e3 / quits);
    return 0;
}
