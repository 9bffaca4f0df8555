// Starting programs with posix_spawn; a run to the end has both output streams on pipes and
// wait4 for its usage.
#include "../ProcessRunner.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

pid_t Spawn(const std::string& strProgram, const std::vector<std::string>& args, int nOut, int nErr,
            const std::vector<int>& aClose)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (nOut >= 0)
    {
        posix_spawn_file_actions_adddup2(&actions, nOut, STDOUT_FILENO);
    }
    if (nErr >= 0)
    {
        posix_spawn_file_actions_adddup2(&actions, nErr, STDERR_FILENO);
    }
    for (const int fd : aClose)
    {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<std::string> all = {strProgram};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& strArg : all)
    {
        argv.push_back(strArg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ) != 0)
    {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

SProcessResult RunProcess(const std::string& strProgram, const std::vector<std::string>& args)
{
    SProcessResult result;
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    const pid_t pid = pipe(outPipe) == 0 && pipe(errPipe) == 0
                          ? Spawn(strProgram, args, outPipe[1], errPipe[1],
                                  {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
                          : -1;
    close(outPipe[1]);
    close(errPipe[1]);
    // Both streams are drained together, so a child that fills one pipe never blocks.
    std::array<pollfd, 2> fds = {pollfd{outPipe[0], POLLIN, 0}, pollfd{errPipe[0], POLLIN, 0}};
    std::array<std::string*, 2> sinks = {&result.strOut, &result.strErr};
    char buffer[65536];
    for (int nOpen = pid > 0 ? 2 : 0; nOpen > 0;)
    {
        if (poll(fds.data(), fds.size(), -1) < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i)
        {
            const ssize_t nGot =
                fds[i].fd < 0 || fds[i].revents == 0 ? -2 : read(fds[i].fd, buffer, sizeof buffer);
            if (nGot > 0)
            {
                sinks[i]->append(buffer, static_cast<std::size_t>(nGot));
            }
            else if (nGot == 0 || (nGot == -1 && errno != EINTR))
            {
                fds[i].fd = -1; // poll ignores negative descriptors
                --nOpen;
            }
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int nStatus = 0;
    rusage usage{};
    while (pid > 0 && wait4(pid, &nStatus, 0, &usage) < 0 && errno == EINTR)
    {
    }
    result.nExit = pid > 0 && WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    result.nPeakMemoryBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024; // kilobytes
    return result;
}

std::string FixoraProgramPath()
{
    return FIXORA_BINARY;
}
