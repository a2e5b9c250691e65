#include "tracker/EnumTexts.h"

#include "tracker/TkException.h"

namespace tavik::tracking {

namespace {

// texts[i] names the value first + i; anything else throws
// unknownPrefix + value + "]!".
template <typename Enum, size_t N>
std::string Text(Enum value, const char* const (&texts)[N], int first, const char* unknownPrefix,
                 const char* function)
{
    const int number = static_cast<int>(value);
    if (number >= first && number - first < static_cast<int>(N)) return texts[number - first];
    TK_THROW(kTrackerImplSource, function, unknownPrefix + std::to_string(number) + "]!");
}

} // namespace

std::string UserTypeText(TkUserType value, const char* function)
{
    static const char* const texts[] = {"unknown", "mobilephone", "email", "weixin", "qq", "deviceid",
                                        "baidu", "huawei", "apple", "tavikuserid", "google", "facebook"};
    return Text(value, texts, 0, "Unknown user type [", function);
}

std::string ResultText(TkResult value, const char* function)
{
    static const char* const texts[] = {"Success", "Cancelled", "Fail", "Unknown"};
    return Text(value, texts, 0, "Unknown task result [", function);
}

std::string ClickTypeText(TkClickType value, const char* function)
{
    static const char* const texts[] = {"Button", "Banner", "Tutorial", "File", "Others"};
    return Text(value, texts, 0, "Unknown ClickType [", function);
}

std::string IoTypeText(TkIoType value, const char* function)
{
    switch (value) {
    case TkIoType::Input: return "Input";
    case TkIoType::Output: return "Output";
    }
    TK_THROW(kTrackerImplSource, function, "the io type is invalid");
}

std::string CurrencyText(TkCurrency value, const char* function)
{
    static const char* const texts[] = {"CNY", "USD", "EUR", "HKD", "TWD", "MOP",
                                        "SGD", "JPY", "KRW", "INR", "GBP"};
    return Text(value, texts, 0, "Unknown currency [", function);
}

std::string PaidPlatformText(TkPaidPlatform value, const char* function)
{
    static const char* const texts[] = {"Alipay", "WeChatPay", "PayPal",   "Tenpay", "CIECC",
                                        "GooglePay", "HuaweiPay", "AppleIAP", "Paddle", "ChinaUnionPay"};
    return Text(value, texts, 0, "Unknown paid platform [", function);
}

std::string IapTypeText(TkIapType value, const char* function)
{
    static const char* const texts[] = {"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"};
    return Text(value, texts, 1, "Unknown tkIapType [", function);
}

std::string UpdateOpText(TkUpdateOp value, const char* function)
{
    static const char* const texts[] = {"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart",
                                        "UpgrateEnd"};
    return Text(value, texts, 0, "Unknown TkUpdateOp [", function);
}

std::string UpdateResultText(TkUpdateResult value, const char* function)
{
    static const char* const texts[] = {"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"};
    return Text(value, texts, 0, "Unknown TkUpdateResult [", function);
}

std::string EditionText(TkEdition value, const char* function)
{
    static const char* const texts[] = {"china", "overseas"};
    return Text(value, texts, 0, "Unknown edition [", function);
}

} // namespace tavik::tracking
