#pragma once

#include <QString>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace korvath {

class Database;

// The pause each address settled at in earlier jobs: "pace.sqlite" in the program folder, so that
// the next job through the same address starts from it instead of learning again. A file of its
// own keeps the job journal's format as it is. Safe to use from every worker; failures throw
// std::runtime_error.
class PaceMemory {
 public:
  // Opens or creates "pace.sqlite" in `folder`.
  explicit PaceMemory(const QString& folder);
  ~PaceMemory();

  std::optional<std::chrono::milliseconds> Learned(const QString& address);
  void Keep(const QString& address, std::chrono::milliseconds pace);

 private:
  std::mutex mutex_;
  std::unique_ptr<Database> db_;
};

}  // namespace korvath
