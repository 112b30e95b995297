// The identifiers of the window templates' controls, named once. The templates, the combo
// entries, the field table and the commands all use these names. Plain C++: the core's field
// table includes it too.
#pragma once

namespace qor {

// Labels have no identifier of their own.
inline constexpr int kNoControlId = -1;

// Buttons
inline constexpr int kOkButton = 1;
inline constexpr int kAddButton = 1026;
inline constexpr int kUpdateButton = 1027;
inline constexpr int kDeleteButton = 1028;
inline constexpr int kSaveButton = 1029;
inline constexpr int kClearButton = 1035;
inline constexpr int kHelpButton = 57670;

// The contact list and the product line below it
inline constexpr int kContactList = 1001;
inline constexpr int kProductLine = 1045;

// Edit fields
inline constexpr int kSurnameEdit = 1000;
inline constexpr int kFirstNameEdit = 1002;
inline constexpr int kMobileEdit = 1003;
inline constexpr int kHomeTelEdit = 1004;
inline constexpr int kWorkTelEdit = 1005;
inline constexpr int kEmailEdit = 1007;
inline constexpr int kNicknameEdit = 1008;
inline constexpr int kOverallEdit = 1009;
inline constexpr int kDislikesEdit = 1010;
inline constexpr int kCommentsEdit = 1011;
inline constexpr int kLikesEdit = 1012;
inline constexpr int kHomeStreetEdit = 1018;
inline constexpr int kHomeCityEdit = 1019;
inline constexpr int kHomeStateEdit = 1020;
inline constexpr int kWorkStreetEdit = 1021;
inline constexpr int kWorkCityEdit = 1022;
inline constexpr int kHomeZipEdit = 1023;
inline constexpr int kWorkStateEdit = 1024;
inline constexpr int kWorkZipEdit = 1025;

// Combo boxes
inline constexpr int kHairCombo = 1014;
inline constexpr int kEyesCombo = 1015;
inline constexpr int kHeightCombo = 1016;
inline constexpr int kInBedCombo = 1017;
inline constexpr int kLooksCombo = 1031;
inline constexpr int kBodyCombo = 1032;
inline constexpr int kPersonalityCombo = 1033;
inline constexpr int kBestFeatureCombo = 1034;
inline constexpr int kDobDayCombo = 1046;
inline constexpr int kDobMonthCombo = 1047;
inline constexpr int kDobYearCombo = 1048;
inline constexpr int kAnDayCombo = 1049;
inline constexpr int kAnMonthCombo = 1050;
inline constexpr int kAnYearCombo = 1051;

} // namespace qor
