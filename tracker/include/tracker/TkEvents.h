#pragma once

#include <optional>
#include <string>

// The event records the tracker's operations take. Texts are UTF-8 (or ANSI,
// converted on the way). Enumerations may carry any number: one outside its
// table is refused by the operation that reads it.
namespace tavik::tracking {

// Picks the context properties of an operation (TkContextProperties).
enum class TkEventKind : int {
    Activity = 0,
    Launch = 1,
    Login = 2,
    Click = 3,
    View = 4,
    Cashier = 5,
    Share = 6,
    Task = 7,
    File = 8,
    Order = 9,
    Payment = 10,
    Uninstall = 11,
    Update = 12,
    Crashed = 13,
    AppOpenNotification = 14,
};
constexpr int kEventKindCount = 15;

enum class TkUserType : int {
    Unknown = 0, MobilePhone, Email, Weixin, QQ, DeviceId, Baidu, Huawei, Apple, TavikUserId, Google, Facebook
};
enum class TkResult : int { Success = 0, Cancelled = 1, Fail = 2, Unknown = 3 };
enum class TkClickType : int { Button = 0, Banner = 1, Tutorial = 2, File = 3, Others = 4 };
enum class TkIoType : int { Input = 0, Output = 1 };
enum class TkCurrency : int { CNY = 0, USD, EUR, HKD, TWD, MOP, SGD, JPY, KRW, INR, GBP };
enum class TkPaidPlatform : int {
    Alipay = 0, WeChatPay, PayPal, Tenpay, CIECC, GooglePay, HuaweiPay, AppleIAP, Paddle, ChinaUnionPay
};
enum class TkIapType : int { Consumable = 1, NonConsumable = 2, AutoRenewable = 3, NonRenewable = 4 };
enum class TkUpdateOp : int { UpdateCheck = 0, DownloadStart = 1, DownloadEnd = 2, UpgrateStart = 3, UpgrateEnd = 4 };
// Fail is 3 here, 2 in TkResult.
enum class TkUpdateResult : int { Success = 0, Cancelled = 1, Timeout = 2, Fail = 3, Latest = 4, Updateable = 5 };
enum class TkEdition : int { China = 0, Overseas = 1 };

struct TkEventClick {
    std::string aname;
    std::string name;  // required
    TkClickType clickType = TkClickType::Others;
    std::string title;
    std::string module;
    std::string position;
    std::optional<int> tabIndex;
    std::string tabName;
    std::optional<int> bannerIndex;
    std::string bannerName;
};

struct TkEventView {
    std::string aname;
    std::string name;  // required
    std::string title;
    std::string position;
};

struct TkEventTask {
    std::string aname;
    std::string name;  // required
    std::string reason;
    std::optional<float> elapsed;  // seconds
    std::optional<TkResult> result;
};

struct TkEventCashier {
    std::string cashierName;  // required
    std::string cashierTitle;
    std::string subitem;
};

struct TkEventShare {
    std::string aname;
    std::string channel;
    std::string position;
    std::string sharedName;
    std::optional<TkResult> result;
};

struct TkEventFile {
    std::string aname;  // required
    std::string name;
    std::optional<TkIoType> io;
    std::string ext;
    std::optional<float> size;
    std::optional<int> duration;
    std::optional<float> fps;
    std::optional<float> bps;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> depth;
    std::optional<TkResult> result;
};

struct TkEventOrder {
    std::string orderId;
    std::string subitem;
    std::string sku;
    std::string suitId;                 // required
    std::optional<TkCurrency> currency;  // required
    float originalAmount = 0;           // must be above 0
    std::string voucherId;
    float paidAmount = 0;               // must be above 0
    std::string cashierName;
    std::string cashierTitle;
    std::optional<int> campaignCode;
    float curOriginalAmount = 0;        // sent when above 0
    float curPaidAmount = 0;            // sent when above 0
};

struct TkEventPayment {
    std::string orderId;  // required
    std::string subitem;
    std::string sku;
    std::optional<TkCurrency> currency;  // required
    float originalAmount = 0;           // not below 0
    std::optional<int> campaignCode;
    std::string voucherId;
    std::string usedVoucherId;
    float paidAmount = 0;               // not below 0
    std::string suitId;
    std::string cashierName;
    std::string cashierTitle;
    std::optional<TkPaidPlatform> paidPlatform;  // required
    std::optional<TkResult> result;              // required: Success or Fail
    std::optional<TkIapType> iapType;
    float curOriginalAmount = 0;        // sent when above 0
    float curPaidAmount = 0;            // sent when above 0
};

struct TkEventUpdate {
    TkUpdateOp op = TkUpdateOp::UpdateCheck;
    std::optional<TkUpdateResult> result;
    std::optional<float> elapsed;  // seconds
};

struct TkEventAppOpenNotification {
    std::string msgTitle;  // required
    std::string msgContent;
    std::string linkUrl;
    std::string planId;    // required
    std::string audienceId;
    std::string planStrategyId;
    std::string planType;  // required
    std::string strategyUnitId;
};

struct TkUser {
    std::string userId;
    TkUserType userType = TkUserType::Unknown;
    int vipLevel = 0;
};

} // namespace tavik::tracking
