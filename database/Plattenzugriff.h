#pragma once
// Marks a read from the disk while it lasts. The reader process's heartbeat
// looks at it: a reader that waits for a slow disk or network share is
// alive, one that loops in libmdb is not.

namespace Datenzugriff {

class Plattenzugriff {
public:
    Plattenzugriff();
    ~Plattenzugriff();
    Plattenzugriff(const Plattenzugriff&) = delete;
    Plattenzugriff& operator=(const Plattenzugriff&) = delete;

    // Whether a read is under way in some thread of this process.
    static bool laeuft();
};

}  // namespace Datenzugriff
