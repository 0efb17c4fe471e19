#pragma once
// What an application bundle says about itself: its code signature, the components it carries inside,
// and the installer receipts that belong to it. Only reads.

#include <vector>

#include "corvane/discovery/embedded_component_inspector.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/layout.h"
#include "corvane/model/signature_facts.h"

namespace corvane {

struct AppInspection {
  InstalledApplication app;
  SignatureFacts signature;
  EmbeddedComponentInspection embedded;
  // The receipts whose package identifiers match the app, each with its catalog record when the catalog
  // has one (the system's own packages are not in the catalog and come without an application path).
  std::vector<PackageReceiptRecord> receipts;
};

// The bundle at `appURL` on the Mac `layout` describes, its receipts read through receiptToolsRunner(layout).
AppInspection inspectApp(const Layout& layout, const Url& appURL);

}  // namespace corvane
