#include "tracker/TrackerImpl.h"

#include "tracker/DataLocation.h"
#include "tracker/DistinctIds.h"
#include "tracker/EnumTexts.h"
#include "tracker/SystemProperties.h"
#include "tracker/TextEncoding.h"
#include "tracker/TkException.h"

#include "analytics_core/Sdk.h"

#include "Utils/FileSystem.h"

#include <sstream>

namespace tavik::tracking {

namespace {

using analytics_core::PropertiesNode;

constexpr const char* kDefaultServerUrl = TAVIK_ANALYTICS_URL;
constexpr const char* kLogSuffix = "_TKSLog.txt";
constexpr const char* kPlatform = "Windows";
constexpr const char* kInstallSource = "android_id=123##imei=1234##mac=123";
constexpr const char* kSdkVersion = "3.3.8";

#define TK_FAIL(function, message) TK_THROW(kTrackerImplSource, function, message)

// Text fields may arrive in the ANSI code page.
void PutText(PropertiesNode& properties, const std::string& name, const std::string& text)
{
    properties.PutString(name, ToUtf8IfNeeded(text));
}

void PutTextIfAny(PropertiesNode& properties, const std::string& name, const std::string& text)
{
    if (!text.empty()) PutText(properties, name, text);
}

template <typename T>
void PutIntIfAny(PropertiesNode& properties, const std::string& name, const std::optional<T>& value)
{
    if (value) properties.PutInt(name, *value);
}

template <typename T>
void PutNumberIfAny(PropertiesNode& properties, const std::string& name, const std::optional<T>& value)
{
    if (value) properties.PutDouble(name, static_cast<double>(*value));
}

void PutNumberIfPositive(PropertiesNode& properties, const std::string& name, float value)
{
    if (value > 0) properties.PutDouble(name, value);
}

// Tasks and files report results 0-2; Unknown and anything else go unsaid.
void PutKnownResult(PropertiesNode& properties, const std::string& name, const std::optional<TkResult>& result,
                    const char* function)
{
    if (result && static_cast<int>(*result) >= 0 && static_cast<int>(*result) <= 2) {
        properties.PutString(name, ResultText(*result, function));
    }
}

// The details orders and payments share.
template <typename Purchase>
void PutPurchaseDetails(PropertiesNode& properties, const Purchase& purchase)
{
    PutTextIfAny(properties, "tk_subitem", purchase.subitem);
    PutTextIfAny(properties, "tk_sku", purchase.sku);
    PutTextIfAny(properties, "tk_voucher_id", purchase.voucherId);
    PutIntIfAny(properties, "tk_campaign_code", purchase.campaignCode);
    PutNumberIfPositive(properties, "tk_cur_original_amount", purchase.curOriginalAmount);
    PutNumberIfPositive(properties, "tk_cur_paid_amount", purchase.curPaidAmount);
    PutTextIfAny(properties, "tk_cashier_name", purchase.cashierName);
    PutTextIfAny(properties, "tk_cashier_title", purchase.cashierTitle);
}

void PutFirstTime(PropertiesNode& properties)
{
    properties.PutBool("$is_first_time", true);
}

std::string NumberText(float value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

TrackerImpl::TrackerImpl(const TrackerConfig& config)
    : serverUrl_(config.serverUrl),
      appName_(config.appName),
      appVersion_(config.appVersion),
      appStore_(config.appStore),
      downloadedAppId_(config.downloadedAppId),
      downloadedAppVersion_(config.downloadedAppVersion),
      edition_(config.edition)
{
    context_.logFilePath = config.logFilePath;
}

TrackerImpl::~TrackerImpl()
{
    flusher_.FinalFlush();
    if (sdkStarted_) analytics_core::Sdk::Shutdown();
}

void TrackerImpl::init()
{
    constexpr const char* kFunction = "init";
    if (appName_.empty()) TK_FAIL(kFunction, "appName is empty");
    if (appVersion_.empty()) TK_FAIL(kFunction, "appVersion is empty");
    if (appStore_.empty()) TK_FAIL(kFunction, "appStore is empty");

    const DataLocation location = ResolveDataLocation(Utils::ModuleFolder(), appName_);
    context_.dataFolder = location.dataFolder;
    context_.settingsPath = location.settingsPath;
    if (serverUrl_.empty()) serverUrl_ = kDefaultServerUrl;

    context_.LoadIdentity();
    if (context_.savedUrl != serverUrl_ || context_.distinctId.empty()) {
        // The identity belongs to another collection endpoint: start over as the device.
        context_.userId.clear();
        context_.loggedIn = false;
        if (context_.primaryDistinctId.empty()) context_.primaryDistinctId = NewDistinctId();
        context_.distinctId = context_.primaryDistinctId;
        context_.savedUrl = serverUrl_;
        context_.SaveIdentity();
    }
    if (context_.userId.empty()) context_.loggedIn = false;

    if (context_.logFilePath.empty()) context_.logFilePath = context_.dataFolder + appName_ + kLogSuffix;
    logger_ = std::make_unique<NativeTrackLogger>(context_.logFilePath);

    osVersionName_ = CurrentWindowsVersionName();
    is64Bit_ = IsWindows64Bit();
    const PropertiesNode common = commonProperties();

    const std::string& id = context_.loggedIn ? context_.userId : context_.distinctId;
    if (!analytics_core::Sdk::Init(context_.dataFolder, serverUrl_, id, context_.loggedIn, appName_)) {
        TK_FAIL(kFunction, "analytics_core::Sdk::Init is failed");
    }
    sdkStarted_ = true;
    analytics_core::MergeSuperProperties(common);
    context_.WriteUninstallInfo(appStore_, appName_, appVersion_);
}

PropertiesNode TrackerImpl::commonProperties() const
{
    PropertiesNode properties;
    properties.PutString("tk_app_id", appName_);
    properties.PutString("$app_id", appName_);
    properties.PutString("$app_version", appVersion_);
    properties.PutString("tk_app_store", appStore_);
    properties.PutString("tk_edition", EditionText(edition_, "init"));
    PutTextIfAny(properties, "tk_dlapp_id", downloadedAppId_);
    PutTextIfAny(properties, "tk_dlapp_version", downloadedAppVersion_);
    properties.PutString("tk_app_platform", kPlatform);
    properties.PutString("tk_track_type", "Client");
    properties.PutString("tk_sdk_version", kSdkVersion);
    properties.PutString("tk_sdk", "WindowsCPP");
    properties.PutString("$os", kPlatform);
    properties.PutString("$os_version", osVersionName_);
    properties.MergeFrom(localeProperties());
    const ScreenSize screen = PrimaryScreenSize();
    properties.PutInt("$screen_height", screen.height);
    properties.PutInt("$screen_width", screen.width);
    PutTextIfAny(properties, "tk_user_id", context_.userId);
    return properties;
}

PropertiesNode TrackerImpl::localeProperties() const
{
    const LocaleProperties locale = ResolveLocale(context_.localeOverride);
    PropertiesNode properties;
    PutText(properties, "tk_l10n_locale", locale.locale);
    PutText(properties, "tk_l10n_language", locale.language);
    PutText(properties, "tk_l10n_country", locale.country);
    return properties;
}

void TrackerImpl::queue(const std::string& eventName, const PropertiesNode& properties)
{
    analytics_core::SendTrack(eventName, properties);
    // Every queued record counts as pending, so an immediate flush also posts its own record.
    flusher_.RaisePending();
}

void TrackerImpl::send(const std::string& eventName, const PropertiesNode& properties, Flush flush)
{
    queue(eventName, properties);
    flusher_.RequestFlush(flush == Flush::Now);
}

void TrackerImpl::updateProfile(const std::string& name, const ProfileValue& value, const char* function)
{
    UpdateUserProfile(name, value, function);
    flusher_.RaisePending();
}

void TrackerImpl::trackActivity(const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackActivity";
    PropertiesNode properties;
    ctx.applyTo(TkEventKind::Activity, properties);
    PutTextIfAny(properties, "tk_app_store", appStore_);
    PutTextIfAny(properties, "tk_app_id", appName_);
    PutTextIfAny(properties, "$app_id", appName_);
    PutTextIfAny(properties, "$app_version", appVersion_);
    properties.PutString("$ios_install_source", kInstallSource);
    properties.PutString("$user_agent", UserAgent(osVersionName_, is64Bit_));
    PutFirstTime(properties);
    properties.PutString("$os", kPlatform);
    properties.PutString("$os_version", osVersionName_);
    analytics_core::SendTrackWithInstallSource("TkEventActivity", properties);
    flusher_.RaisePending();

    const ProfileDate now = ProfileNow();
    updateProfile("$first_visit_time", now, kFunction);
    updateProfile("tk_first_visit_date", now, kFunction);
    updateProfile("tk_last_visit_date", now, kFunction);
    updateProfile("tk_os", std::string(kPlatform), kFunction);
    updateProfile("tk_os_version", osVersionName_, kFunction);
    updateProfile("tk_app_store", appStore_, kFunction);
    updateProfile("tk_app_platform", std::string(kPlatform), kFunction);
    updateProfile("tk_last_app_id", appName_, kFunction);
    updateProfile("tk_last_app_version", appVersion_, kFunction);
    updateProfile("$ios_install_source", std::string(kInstallSource), kFunction);
    flusher_.RequestFlush(true);
}

void TrackerImpl::trackLaunch(const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackLaunch";
    PropertiesNode properties;
    ctx.applyTo(TkEventKind::Launch, properties);
    queue("TkEventLaunch", properties);
    if (!context_.userId.empty()) {
        const ProfileDate now = ProfileNow();
        updateProfile("$first_visit_time", now, kFunction);
        updateProfile("tk_first_visit_date", now, kFunction);
        updateProfile("tk_last_visit_date", now, kFunction);
    }
    flusher_.RequestFlush(true);
}

void TrackerImpl::trackLogin(const TkUser& user, bool success, const std::string& reason,
                             const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackLogin";
    const std::string userId = ToUtf8IfNeeded(user.userId);
    PropertiesNode properties;
    if (!userId.empty()) {
        properties.PutString("tk_user_id", userId);
        properties.PutString("tk_login_id", userId);
    }
    properties.PutString("tk_type", UserTypeText(user.userType, kFunction));
    properties.PutString("tk_result", success ? "Success" : "Fail");
    PutTextIfAny(properties, "tk_reason", reason);
    if (!userId.empty()) PutFirstTime(properties);
    ctx.applyTo(TkEventKind::Login, properties);
    queue("TkEventLogin", properties);

    if (!userId.empty()) {
        context_.vipLevel = user.vipLevel;
        if (!context_.loggedIn || context_.userId.empty()) {
            analytics_core::SendTrackSignup(userId);
            context_.loggedIn = true;
            context_.userId = userId;
            context_.distinctId = userId;
            PropertiesNode userProperty;
            userProperty.PutString("tk_user_id", userId);
            analytics_core::MergeSuperProperties(userProperty);
        }
        context_.SaveIdentity();
    }
    flusher_.RequestFlush(true);
}

void TrackerImpl::trackClick(const TkEventClick& event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackClick";
    if (event.name.empty()) TK_FAIL(kFunction, "tkEventClick.name is empty");
    PropertiesNode properties;
    PutText(properties, "tk_name", event.name);
    properties.PutString("tk_click_type", ClickTypeText(event.clickType, kFunction));
    PutTextIfAny(properties, "tk_aname", event.aname);
    PutTextIfAny(properties, "tk_title", event.title);
    PutTextIfAny(properties, "tk_position", event.position);
    PutTextIfAny(properties, "tk_module", event.module);
    PutTextIfAny(properties, "tk_tab_name", event.tabName);
    PutIntIfAny(properties, "tk_tab_index", event.tabIndex);
    PutTextIfAny(properties, "tk_banner_name", event.bannerName);
    PutIntIfAny(properties, "tk_banner_index", event.bannerIndex);
    PutFirstTime(properties);
    ctx.applyTo(TkEventKind::Click, properties);
    send("TkEventClick", properties, Flush::Deferred);
}

void TrackerImpl::trackView(const TkEventView& event, const TkContextProperties& ctx)
{
    if (event.name.empty()) TK_FAIL("trackView", "tkEventView.name is empty");
    PropertiesNode properties;
    PutText(properties, "tk_name", event.name);
    PutTextIfAny(properties, "tk_aname", event.aname);
    PutTextIfAny(properties, "tk_title", event.title);
    PutTextIfAny(properties, "tk_position", event.position);
    PutFirstTime(properties);
    ctx.applyTo(TkEventKind::View, properties);
    send("TkEventView", properties, Flush::Deferred);
}

void TrackerImpl::trackCashier(const TkEventCashier& event, const TkContextProperties& ctx)
{
    if (event.cashierName.empty()) TK_FAIL("trackCashier", "tkEventCashier.tk_cashier_name is empty");
    PropertiesNode properties;
    PutText(properties, "tk_cashier_name", event.cashierName);
    PutTextIfAny(properties, "tk_cashier_title", event.cashierTitle);
    PutTextIfAny(properties, "tk_subitem", event.subitem);
    PutFirstTime(properties);
    ctx.applyTo(TkEventKind::Cashier, properties);
    send("TkEventCashier", properties, Flush::Deferred);
}

void TrackerImpl::trackShare(const TkEventShare& event, const TkContextProperties& ctx)
{
    PropertiesNode properties;
    PutTextIfAny(properties, "tk_aname", event.aname);
    PutTextIfAny(properties, "tk_channel", event.channel);
    PutTextIfAny(properties, "tk_position", event.position);
    PutTextIfAny(properties, "tk_shared_name", event.sharedName);
    if (event.result) properties.PutString("tk_result", ResultText(*event.result, "trackShare"));
    PutFirstTime(properties);
    ctx.applyTo(TkEventKind::Share, properties);
    send("TkEventShare", properties, Flush::Deferred);
}

void TrackerImpl::trackTask(const TkEventTask& event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackTask";
    if (event.name.empty()) TK_FAIL(kFunction, "tkEventTask.name is empty");
    PropertiesNode properties;
    PutText(properties, "tk_task_name", event.name);
    PutNumberIfAny(properties, "tk_task_elapsed", event.elapsed);
    PutKnownResult(properties, "tk_task_result", event.result, kFunction);
    PutTextIfAny(properties, "tk_aname", event.aname);
    PutTextIfAny(properties, "tk_reason", event.reason);
    PutFirstTime(properties);
    ctx.applyTo(TkEventKind::Task, properties);
    send("TkEventTask", properties, Flush::Deferred);
}

void TrackerImpl::trackFile(const TkEventFile& event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackFile";
    if (event.aname.empty()) TK_FAIL(kFunction, "tkEventFile.aname is empty");
    PropertiesNode properties;
    PutText(properties, "tk_aname", event.aname);
    if (event.io) properties.PutString("tk_io", IoTypeText(*event.io, kFunction));
    PutKnownResult(properties, "tk_result", event.result, kFunction);
    PutTextIfAny(properties, "tk_name", event.name);
    PutTextIfAny(properties, "tk_ext", event.ext);
    PutNumberIfAny(properties, "tk_size", event.size);
    PutIntIfAny(properties, "tk_duration", event.duration);
    PutNumberIfAny(properties, "tk_fps", event.fps);
    PutNumberIfAny(properties, "tk_bps", event.bps);
    PutIntIfAny(properties, "tk_width", event.width);
    PutIntIfAny(properties, "tk_height", event.height);
    PutIntIfAny(properties, "tk_depth", event.depth);
    PutFirstTime(properties);
    ctx.applyTo(TkEventKind::File, properties);
    send("TkEventFile", properties, Flush::Deferred);
}

void TrackerImpl::trackOrder(const TkEventOrder& event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackOrder";
    if (event.suitId.empty()) TK_FAIL(kFunction, "tkEventOrder.tkSuitId is empty");
    if (!event.currency) TK_FAIL(kFunction, "tkEventOrder.tkCurrency is nullptr");
    if (event.originalAmount <= 0) TK_FAIL(kFunction, "tkEventOrder.originalAmount is less than zero");
    if (event.paidAmount <= 0) TK_FAIL(kFunction, "tkEventOrder.paidAmount is not above zero");
    PropertiesNode properties;
    PutText(properties, "tk_suit_id", event.suitId);
    properties.PutString("tk_currency", CurrencyText(*event.currency, kFunction));
    properties.PutDouble("tk_paid_amount", event.paidAmount);
    properties.PutDouble("tk_original_amount", event.originalAmount);
    PutFirstTime(properties);
    PutTextIfAny(properties, "tk_order_id", event.orderId);
    PutPurchaseDetails(properties, event);
    ctx.applyTo(TkEventKind::Order, properties);
    send("TkEventOrder", properties, Flush::Deferred);
}

void TrackerImpl::trackPayment(const TkEventPayment& event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackPayment";
    if (event.orderId.empty()) TK_FAIL(kFunction, "tkEventPayment.tkOrderId is empty");
    if (event.paidAmount < 0) TK_FAIL(kFunction, "paidAmount = " + NumberText(event.paidAmount) + " is invalid");
    if (event.originalAmount < 0) {
        TK_FAIL(kFunction, "originalAmount = " + NumberText(event.originalAmount) + " is invalid");
    }
    if (!event.result || (*event.result != TkResult::Success && *event.result != TkResult::Fail)) {
        TK_FAIL(kFunction, "tkEventPayment.result is invalid");
    }
    if (!event.currency) TK_FAIL(kFunction, "tkEventPayment.tkCurrency is nullptr");
    if (!event.paidPlatform) TK_FAIL(kFunction, "tkEventPayment.tkPaidPlatform is nullptr");

    PropertiesNode properties;
    PutText(properties, "tk_order_id", event.orderId);
    properties.PutString("tk_paid_platform", PaidPlatformText(*event.paidPlatform, kFunction));
    properties.PutString("tk_currency", CurrencyText(*event.currency, kFunction));
    properties.PutDouble("tk_paid_amount", event.paidAmount);
    properties.PutDouble("tk_original_amount", event.originalAmount);
    properties.PutString("tk_result", ResultText(*event.result, kFunction));
    PutFirstTime(properties);
    PutTextIfAny(properties, "tk_suit_id", event.suitId);
    if (event.iapType) properties.PutString("tk_iap_type", IapTypeText(*event.iapType, kFunction));
    PutTextIfAny(properties, "tk_used_voucher_id", event.usedVoucherId);
    PutPurchaseDetails(properties, event);
    ctx.applyTo(TkEventKind::Payment, properties);
    queue("TkEventPayment", properties);

    const ProfileDate now = ProfileNow();
    updateProfile("tk_paid_count", int64_t{1}, kFunction);
    updateProfile("tk_consumption", static_cast<double>(event.paidAmount), kFunction);
    updateProfile("tk_first_paid_date", now, kFunction);
    updateProfile("tk_last_paid_date", now, kFunction);
    if (*event.result == TkResult::Success) {
        context_.vipLevel = 1;
        context_.SaveIdentity();
    }
    flusher_.RequestFlush(true);
}

void TrackerImpl::trackUninstall(const std::string& reason, const TkContextProperties& ctx)
{
    PropertiesNode properties;
    PutText(properties, "tk_uninstall_reason", reason);
    ctx.applyTo(TkEventKind::Uninstall, properties);
    send("TkEventUninstall", properties, Flush::Now);
}

void TrackerImpl::trackCrash(const std::string& reason)
{
    PropertiesNode properties;
    PutText(properties, "app_crashed_reason", reason);
    send("AppCrashed", properties, Flush::Now);
}

void TrackerImpl::trackUpdate(const TkEventUpdate& event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackUpdate";
    PropertiesNode properties;
    properties.PutString("tk_update_op", UpdateOpText(event.op, kFunction));
    switch (event.op) {
    case TkUpdateOp::UpdateCheck:
        properties.PutString("tk_update_result", event.result ? UpdateResultText(*event.result, kFunction) : "");
        break;
    case TkUpdateOp::DownloadEnd:
    case TkUpdateOp::UpgrateEnd:
        if (!event.result) TK_FAIL(kFunction, "Unknown updateResultInfo info");
        if (!event.elapsed) TK_FAIL(kFunction, "invalid elapsed info");
        properties.PutString("tk_update_result", UpdateResultText(*event.result, kFunction));
        properties.PutDouble("tk_elapsed", *event.elapsed);
        if (event.op == TkUpdateOp::UpgrateEnd) PutFirstTime(properties);
        break;
    case TkUpdateOp::DownloadStart:
    case TkUpdateOp::UpgrateStart:
        break;
    }
    ctx.applyTo(TkEventKind::Update, properties);
    send("TkEventUpdate", properties, Flush::Now);
}

void TrackerImpl::trackAppOpenNotification(const TkEventAppOpenNotification* event, const TkContextProperties& ctx)
{
    constexpr const char* kFunction = "trackAppOpenNotification";
    if (!event) TK_FAIL(kFunction, "&appOpenNotification is nullptr");
    if (event->planId.empty()) TK_FAIL(kFunction, "planID is emptry");
    if (event->planType.empty()) TK_FAIL(kFunction, "planType is emptry");
    if (event->msgTitle.empty()) TK_FAIL(kFunction, "msgTitle is emptry");
    PropertiesNode properties;
    PutText(properties, "$sf_msg_title", event->msgTitle);
    PutText(properties, "$sf_plan_id", event->planId);
    PutText(properties, "$sf_plan_type", event->planType);
    PutFirstTime(properties);
    PutTextIfAny(properties, "$sf_msg_content", event->msgContent);
    PutTextIfAny(properties, "$sf_link_url", event->linkUrl);
    PutTextIfAny(properties, "$sf_audience_id", event->audienceId);
    PutTextIfAny(properties, "$sf_plan_strategy_id", event->planStrategyId);
    PutTextIfAny(properties, "$sf_strategy_unit_id", event->strategyUnitId);
    ctx.applyTo(TkEventKind::AppOpenNotification, properties);
    send("AppOpenNotification", properties, Flush::Deferred);
}

void TrackerImpl::setL10nLocale(const std::string& locale)
{
    context_.localeOverride = locale;
    analytics_core::MergeSuperProperties(localeProperties());
}

std::string TrackerImpl::getPrimaryDistinctId() const
{
    return context_.primaryDistinctId;
}

TrackLogger* TrackerImpl::getTrackLogger()
{
    return logger_.get();
}

} // namespace tavik::tracking
