#include "worker_apartment.h"

namespace Ravenquill::Pages {

WorkerApartment::WorkerApartment() = default;
WorkerApartment::~WorkerApartment() = default;

}  // namespace Ravenquill::Pages
