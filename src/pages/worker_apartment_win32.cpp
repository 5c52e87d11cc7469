#include "core/common/com_apartment_win32.h"
#include "worker_apartment.h"

namespace Ravenquill::Pages {

struct WorkerApartment::Apartment {
    ComApartment Com{ApartmentKind::MultiThreaded};
};

WorkerApartment::WorkerApartment() : apartment_(std::make_unique<Apartment>()) {}
WorkerApartment::~WorkerApartment() = default;

}  // namespace Ravenquill::Pages
