#pragma once
// The weights, thresholds and word lists of the extended matching, in one place.

#include <array>
#include <cstddef>
#include <string_view>

#include "corvane/analysis/match_engine.h"

namespace corvane::ExtendedMatching {

// Weights. Every weight of the ordinary rules stays below the lowest score for "Probably Leftover": their
// findings are held at Review.
inline constexpr int kMaximumWeight = 45;
inline constexpr int kTeamExactWeight = 45;
inline constexpr int kHelperWeight = 40;
inline constexpr int kNameWeight = 40;
inline constexpr int kQualifiedNameWeight = 35;
inline constexpr int kShortNameWeight = 30;
// Strong, specific evidence (the app's identifier behind its own developer team, the app's product under
// a vendor prefix no other installed app uses, a tool link or launch job into the bundle) weighs enough
// for "Probably Leftover" in every location, and never gives the exact signal "Safe to Remove" needs.
inline constexpr int kStrongWeight = 65;
// What a distinctive exact name adds to the base rules' weight for it: enough for "Probably Leftover" in
// every location.
inline constexpr int kDistinctiveNameWeight = 23;
// What a launch job whose program only this app runs adds to the base rules' weight for it.
inline constexpr int kLaunchJobWeight = 20;

// Thresholds.
inline constexpr std::size_t kTeamLength = 10;  // "ABCDE12345."
// Shorter names give no name evidence from the base rules and match by accident more easily.
inline constexpr std::size_t kShortNameLength = MatchEngine::minimumNameLength;
inline constexpr std::size_t kMinimumProductLength = 3;

// Vocabulary. Prefixes that framework makers and hosting sites give to apps of many vendors.
inline constexpr std::array<std::string_view, 5> kSharedPrefixes = {"com.apple", "com.electron", "com.github",
                                                                    "io.github", "org.chromium"};
// Words that name an edition, a packaging or a platform of a product rather than another product.
inline constexpr std::array<std::string_view, 12> kQualifiers = {"pro",  "x",    "desktop", "launcher", "app", "lite",
                                                                 "free", "plus", "client",  "classic",  "mac", "pc"};
// Words a product's own processes and files add to its name; longer words before their prefixes.
inline constexpr std::array<std::string_view, 17> kRoles = {
    "privileged", "helper",   "agent",    "daemon", "services",      "service", "installer", "install",
    "updater",    "update",   "monitor",  "renderer", "launcher", "plugin", "crashreporter", "debug", "data"};
// Release channels: a name that is the app's followed by one of them is another channel's.
inline constexpr std::array<std::string_view, 8> kChannels = {"beta",     "dev",     "canary",  "nightly",
                                                              "insiders", "insider", "preview", "alpha"};
// The services a vendor prefix holds for all of the vendor's apps.
inline constexpr std::array<std::string_view, 7> kVendorServices = {
    "crashreporter", "crashreportclient", "crashpad", "updater", "update", "autoupdate", "softwareupdate"};

// What vendors put before or after a product's name to make its web domain ("getquill.com", "quillhq.com").
inline constexpr std::array<std::string_view, 3> kDomainPrefixes = {"get", "use", "try"};
inline constexpr std::array<std::string_view, 2> kDomainSuffixes = {"app", "hq"};

}  // namespace corvane::ExtendedMatching
