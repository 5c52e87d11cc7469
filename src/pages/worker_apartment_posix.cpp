#include "worker_apartment.h"

namespace Ravenquill::Pages {

struct WorkerApartment::Apartment {};

WorkerApartment::WorkerApartment() = default;
WorkerApartment::~WorkerApartment() = default;

}  // namespace Ravenquill::Pages
