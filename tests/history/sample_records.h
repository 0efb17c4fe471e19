#pragma once
// Small uninstall records with fixed ids and dates, for the history tests.

#include <cstdio>
#include <string>

#include "corvane/base/date.h"
#include "corvane/model/removal_records.h"

namespace corvane::testing {

inline Date isoDate(const char* iso) { return *date::parseISO8601(iso); }

// id "00000000-0000-4000-8000-" + 12 hex digits of n.
inline Uuid sampleID(unsigned n) {
  char tail[16];
  std::snprintf(tail, sizeof tail, "%012X", n);
  return *Uuid::parse(std::string("00000000-0000-4000-8000-") + tail);
}

inline AnalysisSnapshot sampleSnapshot(const std::string& appName, const char* createdAt, unsigned idNumber) {
  AnalysisSnapshot s;
  s.id = sampleID(idNumber);
  s.createdAt = isoDate(createdAt);
  s.appURL = Url::fileURL("/Applications/" + appName + ".app");
  s.identity.name = appName;
  s.identity.bundleIdentifier = "com.example." + appName;
  return s;
}

// A record of app `appName` at `createdAt` with one moved item and one that failed.
inline UninstallRecord sampleRecord(unsigned idNumber, const std::string& appName, const char* createdAt) {
  UninstallRecord r;
  r.id = sampleID(idNumber);
  r.createdAt = isoDate(createdAt);
  r.preRemovalSnapshot = sampleSnapshot(appName, createdAt, 0x100 + idNumber);
  r.identity = r.preRemovalSnapshot.identity;
  TrashOperation moved =
      TrashOperation::success(Url::fileURL("/Users/me/Library/Caches/com.example." + appName),
                              Url::fileURL("/Users/me/.Trash/com.example." + appName));
  moved.id = sampleID(0x200 + idNumber);
  TrashOperation failed = TrashOperation::failure(Url::fileURL("/Library/Logs/" + appName), "No permission.",
                                                  RemovalFailureReason::needsAdministrator);
  failed.id = sampleID(0x300 + idNumber);
  r.operations = {moved, failed};
  return r;
}

}  // namespace corvane::testing
