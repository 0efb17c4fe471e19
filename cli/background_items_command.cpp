// corvane background-items: the login items, launch agents, daemons and background programs that apps
// registered with the system, as its background-items database lists them.

#include <ostream>

#include "cli/commands.h"
#include "cli/orphan_state.h"
#include "cli/snapshot_text.h"
#include "corvane/discovery/background_items_listing.h"
#include "report/background_items_report.h"
#include "report/json_dialect.h"

namespace corvane::cli {

namespace {

void printText(std::ostream& out, const std::string& store, const BackgroundItemsLoadResult& result) {
  out << report::backgroundItemsHeading(store, result);
  if (result.records.empty()) return;
  // Sub-items are indented below the item they belong to.
  out << "\n";
  printTable(out, report::backgroundItemRows(result));
}

int backgroundItems(const ParsedArguments& args, Context& context) {
  const BackgroundItemsListing listing = listBackgroundItems(context.layout, args.value("--store"), args.value("--scope"));
  switch (listing.kind) {
    case BackgroundItemsListing::Kind::badScope:
      context.err << "corvane background-items: --scope needs a scope identifier such as "
                     "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9, not \"" << *listing.scope << "\"\n";
      return kExitUsage;
    case BackgroundItemsListing::Kind::noStore:
      context.err << "corvane background-items: no store at " << listing.store << "\n";
      return kExitFailure;
    case BackgroundItemsListing::Kind::listed: break;
  }
  if (args.has("--json"))
    report::printJSON(context.out, report::backgroundItemsJSON(listing.result, encodeStoreStatus(listing.result.status)));
  else
    printText(context.out, listing.store, listing.result);
  return kExitOK;
}

}  // namespace

Command backgroundItemsCommand() {
  Command c;
  c.name = "background-items";
  c.usage = "background-items [--json] [--store DIR] [--scope UUID]";
  c.summary = "Lists the login items, launch agents and daemons in the system's background-items database.";
  c.options.flags = {"--json"};
  c.options.values = {"--store", "--scope"};
  c.options.paths = {"--store"};
  c.options.layout = true;
  c.run = backgroundItems;
  c.optionDocs = {
      {"--json", "", "prints the records and the store's status as JSON; see docs/json.md", {}},
      {"--store", "DIR",
       "reads the database in DIR (default: the layout's /private/var/db/com.apple.backgroundtaskmanagement); a DIR "
       "that does not exist is an error",
       {}},
      {"--scope", "UUID", "lists the items of this login scope (default: the current user's)", {}},
  };
  return c;
}

}  // namespace corvane::cli
