#include "tracker/UserProfile.h"

#include "tracker/TkException.h"

#include "analytics_core/Sdk.h"

#include <chrono>
#include <map>

namespace tavik::tracking {

namespace {

enum class Operation { SetOnce, Increment, Set };

const std::map<std::string, Operation>& Operations()
{
    static const std::map<std::string, Operation> operations = [] {
        std::map<std::string, Operation> table;
        for (const char* name : {"$first_visit_time", "tk_first_visit_date", "$ios_install_source",
                                 "tk_first_paid_date"}) {
            table[name] = Operation::SetOnce;
        }
        for (const char* name : {"tk_visit_count", "tk_paid_count", "tk_consumption"}) {
            table[name] = Operation::Increment;
        }
        for (const char* name :
             {"tk_label", "tk_os", "tk_os_version", "tk_manufacturer", "tk_model", "tk_app_store",
              "tk_app_platform", "tk_last_app_id", "tk_last_app_version", "tk_carrier", "tk_last_visit_date",
              "aurora_pushid", "tk_user_id", "tk_user_name", "tk_user_type", "tk_user_nickname",
              "tk_user_portrait", "tk_user_mobilephone", "tk_user_email", "tk_user_weixin", "tk_user_qq",
              "tk_user_did", "tk_user_created", "tk_user_last_login", "tk_user_last_ip", "tk_user_vip_level",
              "tk_user_vip_enddate", "idfa", "imei", "android_id", "oaid", "tk_ip", "tk_country_code",
              "tk_country", "tk_province", "tk_city", "tk_last_paid_date"}) {
            table[name] = Operation::Set;
        }
        return table;
    }();
    return operations;
}

} // namespace

ProfileDate ProfileNow()
{
    const int64_t milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return {milliseconds / 1000, static_cast<int>(milliseconds % 1000)};
}

void UpdateUserProfile(const std::string& name, const ProfileValue& value, const char* function)
{
    const auto found = Operations().find(name);
    if (found == Operations().end()) {
        TK_THROW(kTrackerImplSource, function, "Not supported user property [" + name + "]!");
    }
    const Operation operation = found->second;
    if (operation == Operation::Increment && std::holds_alternative<std::string>(value)) {
        TK_THROW(kTrackerImplSource, function,
                 "user property [" + name + "] is string type value, it cannot be accumulated!");
    }

    analytics_core::PropertiesNode properties;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                properties.PutString(name, v);
            } else if constexpr (std::is_same_v<T, int64_t>) {
                properties.PutInt(name, v);
            } else if constexpr (std::is_same_v<T, double>) {
                properties.PutDouble(name, v);
            } else {
                properties.PutDateTime(name, v.seconds, v.milliseconds);
            }
        },
        value);

    switch (operation) {
    case Operation::SetOnce: analytics_core::SendProfileSetOnce(properties); break;
    case Operation::Increment: analytics_core::SendProfileIncrement(properties); break;
    case Operation::Set: analytics_core::SendProfileSet(properties); break;
    }
}

} // namespace tavik::tracking
