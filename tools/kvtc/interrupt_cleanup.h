// Temporary files and folders a run has made, removed if the run is ended by SIGINT, SIGTERM
// or SIGHUP. A watcher thread takes those signals (they are blocked everywhere else), removes
// what is registered, and then ends the process with the signal as it would have ended.
#pragma once

#include <functional>
#include <string>

namespace kvtc::tool {

// Starts the watcher. Call it first thing in main, before any other thread exists, so that
// every thread inherits the blocked signals.
void CleanUpOnTerminationSignals();

// Registers a temporary file, or a folder that is removed with the files in it; returns the
// registration to pass to Unregister.
int RegisterTemporary(const std::string& path, bool folder);
// Runs `publish` (e.g. a rename into place) and forgets the registration, with the watcher
// held off, so that a signal sees either the temporary or the published result, never a
// half-published one.
void Unregister(int registration, const std::function<void()>& publish = {});

// Removes a folder with the files in it (not below).
void RemoveFolderAndFiles(const std::string& path);

}  // namespace kvtc::tool
