#include "common/uProcessServices.h"

#include "common/uAppcf.h"
#include "platform/errors/Errors.h"

namespace {
TProcessServices *Installed = nullptr;
}

TProcessServices::TProcessServices() {
  if (Installed)
    Raise("The process services are already installed");
  FCfMrg = std::make_unique<TCfMrg>();
  Installed = this;
}

TProcessServices::~TProcessServices() { Installed = nullptr; }

TCfMrg *TProcessServices::CfMrg() { return Installed ? Installed->FCfMrg.get() : nullptr; }
