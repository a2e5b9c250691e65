#pragma once

#include "tracker/TkEvents.h"

#include <string>

// The texts records carry for enumeration values. A value outside its table
// throws TkException naming function (the tracker operation that read it).
namespace tavik::tracking {

std::string UserTypeText(TkUserType value, const char* function);
std::string ResultText(TkResult value, const char* function);
std::string ClickTypeText(TkClickType value, const char* function);
std::string IoTypeText(TkIoType value, const char* function);
std::string CurrencyText(TkCurrency value, const char* function);
std::string PaidPlatformText(TkPaidPlatform value, const char* function);
std::string IapTypeText(TkIapType value, const char* function);
std::string UpdateOpText(TkUpdateOp value, const char* function);
std::string UpdateResultText(TkUpdateResult value, const char* function);
std::string EditionText(TkEdition value, const char* function);

} // namespace tavik::tracking
