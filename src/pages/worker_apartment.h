#pragma once
// The progress page's worker runs on a thread-pool thread, which belongs to no COM apartment of
// its own choosing: shell links, known folders and the Restart Manager need one. The worker enters
// the multithreaded apartment for as long as it runs instead of relying on the process's main
// thread having made it the implicit one. Nothing happens in the native build.
#include <memory>

namespace Ravenquill::Pages {

class WorkerApartment {
public:
    // A thread already in a single-threaded apartment stays in it (COM works there too); any
    // other failure to enter is raised (ComApartment).
    WorkerApartment();
    ~WorkerApartment();
    WorkerApartment(const WorkerApartment&) = delete;
    WorkerApartment& operator=(const WorkerApartment&) = delete;

private:
    // The COM apartment in the Windows build; nothing natively.
    struct Apartment;
    std::unique_ptr<Apartment> apartment_;
};

}  // namespace Ravenquill::Pages
