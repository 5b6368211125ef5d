#include "kvtc/interrupt_cleanup.h"

#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

namespace kvtc::tool {
namespace {

struct Temporary {
  std::string path;
  bool folder;
};

std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::map<int, Temporary>& Registered() {
  static std::map<int, Temporary> r;
  return r;
}
int nextRegistration = 0;

sigset_t TerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

[[noreturn]] void Watch(sigset_t set) {
  int caught = 0;
  while (sigwait(&set, &caught) != 0) {
  }
  // Hold the registry for good: nothing is published or registered from here on.
  Lock().lock();
  for (const auto& [id, t] : Registered()) {
    if (t.folder) {
      RemoveFolderAndFiles(t.path);
    } else {
      std::remove(t.path.c_str());
    }
  }
  // End as the signal would have ended the process, so the caller sees the usual status.
  std::signal(caught, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, caught);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(caught);
  _exit(128 + caught);
}

}  // namespace

void CleanUpOnTerminationSignals() {
  const sigset_t set = TerminationSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(Watch, set).detach();
}

int RegisterTemporary(const std::string& path, bool folder) {
  const std::lock_guard hold(Lock());
  Registered().emplace(++nextRegistration, Temporary{path, folder});
  return nextRegistration;
}

void Unregister(int registration, const std::function<void()>& publish) {
  const std::lock_guard hold(Lock());
  Registered().erase(registration);
  if (publish) publish();
}

void RemoveFolderAndFiles(const std::string& path) {
  if (DIR* d = opendir(path.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") std::remove((path + "/" + name).c_str());
    }
    closedir(d);
  }
  rmdir(path.c_str());
}

}  // namespace kvtc::tool
