// An image sequence ("out%04d.png") written into a temporary folder beside its pattern, whose
// pictures are moved to their final names only when the whole sequence is complete: a failed
// or interrupted run leaves the user's pictures of the same names untouched, and abandoning
// the sequence removes the folder with what it holds and nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace kvtc::tool {

class PendingSequence {
 public:
  // Creates the temporary folder; throws IoError naming the pattern when that is impossible.
  explicit PendingSequence(std::string pattern);
  ~PendingSequence();
  PendingSequence(const PendingSequence&) = delete;
  PendingSequence& operator=(const PendingSequence&) = delete;

  // The pattern the pictures are written to, inside the temporary folder.
  const std::string& TempPattern() const { return tempPattern_; }
  // Moves pictures 1..count to their final names and removes the folder; throws IoError.
  void Commit(std::int64_t count);
  // After Commit: a note naming the pictures of the pattern numbered after `count` that an
  // earlier run left, or "" when there are none.
  const std::string& Stale() const { return stale_; }

 private:
  std::string pattern_;
  std::string folder_;
  std::string tempPattern_;
  std::string stale_;
  int registration_ = 0;
  bool committed_ = false;
};

// The name of picture `number` of a sequence pattern ("" when the pattern has no number).
std::string PictureName(const std::string& pattern, std::int64_t number);

}  // namespace kvtc::tool
