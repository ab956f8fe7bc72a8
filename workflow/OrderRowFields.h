namespace batchdel {

#pragma once
// Fields of an order row that the commands read or write.
inline constexpr const char *kOrderNumberField = "MASTERBILLID";
inline constexpr const char *kSelectionField = "SELECT_YN";
// A row is ticked exactly when its mark reads as this text.
inline constexpr const char *kTicked = "Y";

}  // namespace batchdel
