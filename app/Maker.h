// Who makes Vantorix and where to reach them: every address of the maker in
// one place.
#pragma once

namespace Maker {

inline constexpr char kOrganisation[] = "Quorvel";
inline constexpr char kDomain[] = "quorvel.com";
inline constexpr char kSupportEmail[] = "support@quorvel.com";
inline constexpr char kWebSite[] = "https://www.quorvel.com/";
inline constexpr char kProductPage[] = "https://www.quorvel.com/vantorix/";
// The social network's share page; the address to share goes into `u`.
inline constexpr char kSharePage[] = "https://www.facebook.com/sharer.php";

inline constexpr char kProduct[] = "Vantorix";
inline constexpr char kVersion[] = "1.0";

}  // namespace Maker
