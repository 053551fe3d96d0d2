#include "runtime/LocalizedMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>

using Runtime::GetLocalizedMessage;

namespace {

struct Locale {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
};

void SetLocale(const Locale& l) {
    const auto set = [](const char* name, const char* value) {
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    };
    set("LC_ALL", l.lcAll);
    set("LC_MESSAGES", l.lcMessages);
    set("LANG", l.lang);
}

} // namespace

TEST(GetLocalizedMessage, LanguageChosenAtEveryLookup) {
    struct Case {
        Locale locale;
        const char* code;
        const char* accept;
    };
    const Case cases[] = {
        {{nullptr, nullptr, "de_CH.UTF-8"}, "de", "Akzeptieren"},
        {{nullptr, nullptr, "de_AT"}, "de", "Akzeptieren"},
        {{nullptr, nullptr, "en_GB.UTF-8"}, "en", "Accept"},
        {{nullptr, nullptr, "pt_BR.UTF-8"}, "en", "Accept"},
        {{nullptr, nullptr, "ja_JP.UTF-8"}, "en", "Accept"},
        {{nullptr, nullptr, "C"}, "en", "Accept"},
        {{nullptr, nullptr, nullptr}, "en", "Accept"},
        {{nullptr, "fr_FR.UTF-8", "de_DE.UTF-8"}, "fr", "J'accepte"},    // LC_MESSAGES before LANG
        {{"zh_CN.UTF-8", "fr_FR.UTF-8", "de_DE"}, "zh", "\u63a5\u53d7"}, // LC_ALL first
        {{"", "es_ES@euro", nullptr}, "es", "Aceptar"},                  // an empty variable is not set
        {{nullptr, nullptr, "it"}, "it", "Accettare"},
        {{nullptr, nullptr, "deu"}, "en", "Accept"}, // another form matches no row
    };
    for (const auto& c : cases) {
        SetLocale(c.locale);
        EXPECT_EQ(GetLocalizedMessage(0), c.code) << (c.locale.lang ? c.locale.lang : "-");
        EXPECT_EQ(GetLocalizedMessage(3), c.accept) << (c.locale.lang ? c.locale.lang : "-");
    }
    SetLocale({nullptr, nullptr, "de_DE.UTF-8"});
    EXPECT_EQ(GetLocalizedMessage(5), "Dies ist keine g\u00fcltige Windows-Anwendung.");
    SetLocale({nullptr, nullptr, "zh_CN.UTF-8"});
    EXPECT_EQ(GetLocalizedMessage(6),
              "\u8fd0\u884c\u6b64\u5e94\u7528\u7a0b\u5e8f\u9700\u8981Microsoft "
              "WebView2\u8fd0\u884c\u65f6\u3002 \u8be5\u5e94\u7528\u7a0b\u5e8f\u65e0\u6cd5"
              "\u7ee7\u7eed\uff0c\u5c06\u7acb\u5373\u5173\u95ed\u3002");
}

TEST(GetLocalizedMessage, IndexOutOfRangeRaises) {
    for (const int index : {-1, 10}) {
        try {
            GetLocalizedMessage(index);
            FAIL() << index;
        } catch (const Runtime::ELocalizedMessageError& e) {
            EXPECT_STREQ(e.what(), "MessageIndex is out of range!");
        }
    }
}
