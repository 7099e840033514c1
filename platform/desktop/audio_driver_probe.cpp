#include "platform/sdl/audio_driver_probe.h"

#include "platform/frame_clock.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

// A server that takes its time answering still answers well within this.
static const int64_t answerNanoseconds = 3000000000;
// A driver that keeps its answer back this long has the next one tried
// beside it; one that answers at once spares the others the trial.
static const int64_t staggerNanoseconds = 500000000;

// A request is one line: the test, the device's format, the drivers in order.
// The answer is one line: "+driver", or "-reason".
struct ProbeRequest {
    AudioProbeTest test = AudioProbeTest::opens;
    SDL_AudioSpec want = {};
    std::vector<std::string> drivers;
};

static std::string encodeRequest(const ProbeRequest& request) {
    std::ostringstream line;
    line << (request.test == AudioProbeTest::opens ? 'o' : 't') << ' ' << request.want.freq << ' '
         << request.want.format << ' ' << int(request.want.channels) << ' ' << request.want.samples
         << ' ';
    for (size_t i = 0; i < request.drivers.size(); i++)
        line << (i ? "," : "") << request.drivers[i];
    line << '\n';
    return line.str();
}

static bool decodeRequest(const std::string& line, ProbeRequest* request) {
    std::istringstream in(line);
    char test = 0;
    int freq = 0, format = 0, channels = 0, samples = 0;
    std::string drivers;
    if (!(in >> test >> freq >> format >> channels >> samples >> drivers))
        return false;
    request->test = test == 'o' ? AudioProbeTest::opens : AudioProbeTest::takesSound;
    request->want.freq = freq;
    request->want.format = SDL_AudioFormat(format);
    request->want.channels = Uint8(channels);
    request->want.samples = Uint16(samples);
    std::istringstream names(drivers);
    for (std::string name; std::getline(names, name, ',');)
        request->drivers.push_back(name);
    return !request->drivers.empty();
}

static bool sendAll(int to, const std::string& text) {
    for (size_t sent = 0; sent < text.size();) {
        const ssize_t put = send(to, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        sent += size_t(put);
    }
    return true;
}

// Reads into `pending` until it holds a whole line, which it moves to *line.
// False at the end of the stream, or once `interrupt` (unless negative) is
// readable.
static bool readLine(int from, int interrupt, std::string* pending, std::string* line) {
    for (;;) {
        const size_t end = pending->find('\n');
        if (end != std::string::npos) {
            *line = pending->substr(0, end);
            pending->erase(0, end + 1);
            return true;
        }
        pollfd wait[2] = {{from, POLLIN, 0}, {interrupt, POLLIN, 0}};
        const int ready = poll(wait, interrupt >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (interrupt >= 0 && wait[1].revents))
            return false;
        char block[512];
        const ssize_t got = read(from, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        pending->append(block, size_t(got));
    }
}

[[noreturn]] static void probeInChild(const std::string& driver, SDL_AudioSpec want,
                                      AudioProbeTest test, int reply) {
    // A driver that crashes here leaves no core dump behind, nor the crash
    // report a desktop would make of one, however often it is tried.
    prctl(PR_SET_DUMPABLE, 0);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::string answer = "+";
    if (SDL_AudioInit(driver.c_str()) != 0) {
        answer = std::string("-") + SDL_GetError();
    } else if (test == AudioProbeTest::opens) {
        // Opened only: nothing is played, SDL queues silence.
        SDL_AudioSpec have;
        want.callback = nullptr;
        if (SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0) == 0)
            answer = std::string("-") + SDL_GetError();
    } else {
        SoundTrial trial;
        std::string reason;
        // Left open: the child's end closes it.
        if (!startSoundTrial(&trial, want, &reason))
            answer = "-" + reason;
        else if (!soundTrialTakesSound(trial, want.freq, nullptr))
            answer = "-the sound device takes no sound";
    }
    for (char& c : answer)
        if (c == '\n')
            c = ' ';
    if (write(reply, answer.data(), answer.size()) < 0) {
        // The prober has gone; nobody is left to tell.
    }
    _exit(0);
}

struct Probe {
    std::string driver;
    int64_t startedAt = -1; // not yet started while negative
    pid_t pid = -1;
    int from = -1;
    bool done = false; // its answer is complete: the pipe has closed
    std::string answer;
};

static void startProbe(Probe* probe, const ProbeRequest& request, int socket) {
    int reply[2];
    if (pipe2(reply, O_CLOEXEC) != 0) {
        probe->done = true;
        probe->answer = std::string("-") + std::strerror(errno);
        return;
    }
    const pid_t prober = getpid();
    probe->pid = fork();
    if (probe->pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != prober)
            _exit(0);
        close(socket);
        close(reply[0]);
        probeInChild(probe->driver, request.want, request.test, reply[1]);
    }
    close(reply[1]);
    if (probe->pid < 0) {
        close(reply[0]);
        probe->done = true;
        probe->answer = std::string("-") + std::strerror(errno);
        return;
    }
    probe->from = reply[0];
}

// Why a probe that did not pass failed; reaps it when it ended unanswered.
static std::string failure(Probe* probe) {
    if (!probe->done)
        return "the " + probe->driver + " driver did not answer";
    if (!probe->answer.empty())
        return probe->answer.substr(1);
    int status = 0;
    while (waitpid(probe->pid, &status, 0) < 0 && errno == EINTR) {
    }
    probe->pid = -1;
    if (WIFSIGNALED(status))
        return "the " + probe->driver + " driver crashed (" + strsignal(WTERMSIG(status)) + ")";
    return "the " + probe->driver + " driver gave no answer";
}

// The answer once it is known: the first driver in order that passed, every
// one before it having failed or not answered in time.
static bool decide(std::vector<Probe>& probes, int64_t now, std::string* answer) {
    for (Probe& probe : probes) {
        if (!probe.done && (probe.startedAt < 0 || now < probe.startedAt + answerNanoseconds))
            return false;
        if (probe.done && probe.answer == "+") {
            *answer = "+" + probe.driver;
            return true;
        }
    }
    *answer = "-" + failure(&probes.front());
    return true;
}

static void endProbes(std::vector<Probe>& probes) {
    for (Probe& probe : probes) {
        if (probe.from >= 0)
            close(probe.from);
        if (probe.pid > 0) {
            kill(probe.pid, SIGKILL);
            while (waitpid(probe.pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
}

// The drivers in order, each started once the one before has failed or
// kept its answer back a while, until the answer is known.
static std::string probeAll(const ProbeRequest& request, int socket) {
    std::vector<Probe> probes(request.drivers.size());
    for (size_t i = 0; i < probes.size(); i++)
        probes[i].driver = request.drivers[i];
    size_t started = 0;
    std::string answer;
    for (;;) {
        const int64_t now = monotonicNanoseconds();
        if (decide(probes, now, &answer))
            break;
        if (started < probes.size() &&
            (started == 0 || probes[started - 1].done ||
             now >= probes[started - 1].startedAt + staggerNanoseconds)) {
            probes[started].startedAt = now;
            startProbe(&probes[started++], request, socket);
            continue;
        }
        // Until an answer, the next driver's turn or the first deadline.
        int64_t until = started < probes.size() ? probes[started - 1].startedAt + staggerNanoseconds
                                                : INT64_MAX;
        std::vector<pollfd> wait = {{socket, POLLIN, 0}};
        std::vector<Probe*> waiting;
        for (size_t i = 0; i < started; i++)
            if (!probes[i].done) {
                wait.push_back({probes[i].from, POLLIN, 0});
                waiting.push_back(&probes[i]);
                until = std::min(until, probes[i].startedAt + answerNanoseconds);
            }
        const int64_t left = std::max<int64_t>(until - now, 0);
        if (poll(wait.data(), wait.size(), int(left / 1000000) + 1) < 0 && errno != EINTR)
            break;
        // The program asks nothing more before it has its answer: the
        // socket stirs only when the program has gone.
        if (wait[0].revents) {
            endProbes(probes);
            _exit(0);
        }
        for (size_t i = 0; i < waiting.size(); i++) {
            if (!wait[i + 1].revents)
                continue;
            char block[512];
            const ssize_t got = read(waiting[i]->from, block, sizeof block);
            if (got < 0 && errno == EINTR)
                continue;
            if (got > 0) {
                waiting[i]->answer.append(block, size_t(got));
            } else {
                waiting[i]->done = true;
                close(waiting[i]->from);
                waiting[i]->from = -1;
            }
        }
    }
    endProbes(probes);
    return answer;
}

[[noreturn]] static void runProber(int socket) {
    std::string pending, line;
    while (readLine(socket, -1, &pending, &line)) {
        ProbeRequest request;
        const std::string answer = decodeRequest(line, &request)
                                       ? probeAll(request, socket)
                                       : "-the sound probe could not read its request";
        if (!sendAll(socket, answer + "\n"))
            break;
    }
    _exit(0);
}

// The prober process, the socket its requests and answers cross, and the
// pipe that cuts a wait for an answer short.
struct AudioProber {
    pid_t pid = -1;
    int socket = -1;
    int interrupt[2] = {-1, -1};
};

AudioProber* startAudioProber(std::string* reason) {
    AudioProber* prober = new AudioProber;
    int pair[2];
    if (pipe2(prober->interrupt, O_CLOEXEC | O_NONBLOCK) != 0 ||
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        *reason = std::strerror(errno);
        freeAudioProber(prober);
        return nullptr;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(0);
        // Nothing of the program's stays open in the prober: a test waiting
        // for the program's output to end, or a server for its clients to
        // leave, would otherwise wait for the prober too.
        const int socket = fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
        const int null = open("/dev/null", O_RDWR);
        for (int stream = 0; stream < 3; stream++)
            dup2(null, stream);
        close_range(3, unsigned(socket - 1), 0);
        close_range(unsigned(socket + 1), ~0U, 0);
        // The program's Ctrl-C and kill are the program's.
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_IGN);
        runProber(socket);
    }
    const int error = errno;
    close(pair[1]);
    if (child < 0) {
        close(pair[0]);
        *reason = std::strerror(error);
        freeAudioProber(prober);
        return nullptr;
    }
    prober->pid = child;
    prober->socket = pair[0];
    return prober;
}

void stopAudioProber(AudioProber* prober) {
    if (prober->socket >= 0)
        close(prober->socket);
    prober->socket = -1;
    if (prober->pid > 0) {
        // Its probes end with it.
        kill(prober->pid, SIGKILL);
        while (waitpid(prober->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    prober->pid = -1;
}

void interruptAudioProber(AudioProber* prober) {
    if (write(prober->interrupt[1], "x", 1) < 0) {
        // Full: the prober has been told already.
    }
}

void freeAudioProber(AudioProber* prober) {
    stopAudioProber(prober);
    for (int fd : prober->interrupt)
        if (fd >= 0)
            close(fd);
    delete prober;
}

bool findPlayingDriver(AudioProber* prober, const std::vector<std::string>& drivers,
                       const SDL_AudioSpec& want, AudioProbeTest test, std::string* driver,
                       std::string* reason) {
    reason->clear();
    if (drivers.empty()) {
        *reason = "SDL has no sound driver";
        return false;
    }
    ProbeRequest request;
    request.test = test;
    request.want = want;
    request.drivers = drivers;
    std::string pending, answer;
    if (prober->socket < 0 || !sendAll(prober->socket, encodeRequest(request))) {
        *reason = "the sound probe is not running";
        return false;
    }
    const int interrupt = prober->interrupt[0];
    if (!readLine(prober->socket, interrupt, &pending, &answer)) {
        pollfd stirred = {interrupt, POLLIN, 0};
        if (poll(&stirred, 1, 0) <= 0)
            *reason = "the sound probe ended";
        return false;
    }
    if (answer.size() > 1 && answer[0] == '+') {
        *driver = answer.substr(1);
        return true;
    }
    *reason = answer.size() > 1 ? answer.substr(1) : "the sound probe gave no answer";
    return false;
}
