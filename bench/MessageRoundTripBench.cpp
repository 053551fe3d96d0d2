// Web-message round trips through the host control (page posts, the handler answers with
// PostWebMessageAsJson) beside a bare WebKitGTK echo with the same client-side listener pattern,
// sequentially and with 1,000 messages in flight. Prints the host's throughput as a ratio of
// the bare echo's. Needs a display: run it under scripts/with-display.sh.

#include "forms/gtk/WinControlImpl.h"
#include "platform/GuiThread.h"
#include "shared/host/EdgeEx.h"
#include "webview2/Streams.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The client side, as the bridge's client script shapes it: a uuid per call, a pending map, one
// listener for every reply. POST, LISTEN and DONE differ between the two set-ups.
const char* const ClientScript = R"JS(
  const pending = new Map();
  let next = 0;
  LISTEN((data) => {
    const resolve = pending.get(data.uuid);
    if (resolve) { pending.delete(data.uuid); resolve(data.result); }
  });
  function call() {
    const uuid = 'u-' + (next++);
    return new Promise((resolve) => { pending.set(uuid, resolve); POST({ id: 10001, uuid, data: {} }); });
  }
  window.runSequential = async (n) => { for (let i = 0; i < n; i++) await call(); DONE(); };
  window.runInFlight = async (n) => { await Promise.all(Array.from({ length: n }, call)); DONE(); };
)JS";

std::string Page(const std::string& Post, const std::string& Listen, const std::string& Done) {
    std::string script = ClientScript;
    for (const auto& [name, value] :
         std::map<std::string, std::string>{{"POST", Post}, {"LISTEN", Listen}, {"DONE", Done}}) {
        for (std::size_t at = script.find(name); at != std::string::npos;
             at = script.find(name, at + value.size())) {
            script.replace(at, name.size(), "(" + value + ")");
        }
    }
    return "<!DOCTYPE html><html><head><title>bench</title><script>" + script +
           "</script></head><body></body></html>";
}

std::string Reply(const std::string& RequestJson) {
    const auto request = nlohmann::json::parse(RequestJson);
    return "{\"uuid\": \"" + request["uuid"].get<std::string>() +
           "\", \"success\": true, \"result\": \"2022.4\"}";
}

void RunUntil(const bool& Done, const char* What) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Done && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
    }
    if (!Done) {
        std::fprintf(stderr, "bench: timed out (%s)\n", What);
        std::exit(1);
    }
}

// A top-level window for the host control.
class TBenchWindow : public Forms::TWinControl {
protected:
    Forms::TNativeWidget* CreateNativeWidget(Forms::TNativeWidget*& ClientArea) override {
        GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(window), 400, 300);
        GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
        gtk_container_add(GTK_CONTAINER(window), layout);
        gtk_widget_show_all(window);
        ClientArea = Forms::FromGtk(layout);
        return Forms::FromGtk(window);
    }
};

// The host control serving the page, answering every request as the bridge does.
struct THost {
    TBenchWindow Window;
    Shared::TEdgeBrowser Browser;
    bool Ready = false;
    bool Done = false;

    THost() {
        const std::string page =
            Page("(m) => window.chrome.webview.postMessage(m)",
                 "((f) => window.chrome.webview.addEventListener('message', (e) => f(e.data)))",
                 "() => window.chrome.webview.postMessage('done')");
        Browser.OnCreateWebViewCompleted = [](Shared::TCustomEdgeBrowser* Sender, Shared::HRESULT) {
            // As the browser form sets it for an application without AllowDebug; with the
            // DevTools on, WebKit's inspector instrumentation costs about a third of the speed.
            Sender->SetDevToolsEnabled(false);
            Sender->AddWebResourceRequestedFilter("*", 0);
            Sender->Navigate("file:///bench.html");
        };
        Browser.OnWebResourceRequested = [page](Shared::TCustomEdgeBrowser* Sender,
                                                Shared::TWebResourceRequestedEventArgs* Args) {
            WebView2::ComPtr<WebView2::ICoreWebView2WebResourceResponse> response;
            Sender->EnvironmentInterface()->CreateWebResourceResponse(
                WebView2::CreateMemoryStream(page).Get(), 200, "OK", "Content-Type: text/html; charset=utf-8",
                response.ReleaseAndGetAddressOf());
            (*Args)->put_Response(response.Get());
        };
        Browser.OnNavigationCompleted = [this](Shared::TCustomEdgeBrowser*, bool, Shared::TOleEnum) {
            Ready = true;
        };
        Browser.OnWebMessageReceived = [this](Shared::TCustomEdgeBrowser* Sender,
                                              Shared::TWebMessageReceivedEventArgs* Args) {
            WebView2::LPSTR json = nullptr;
            (*Args)->get_WebMessageAsJson(&json);
            const std::string text = WebView2::TakeString(json);
            if (text == "\"done\"") {
                Done = true;
                return;
            }
            Sender->DefaultInterface()->PostWebMessageAsJson(Reply(text).c_str());
        };
        Window.SetBounds(0, 0, 400, 300);
        Window.HandleNeeded();
        Browser.SetParent(&Window);
        Browser.SetAlign(Forms::alClient);
        RunUntil(Ready, "ready");
    }

    void Run(const std::string& Script) {
        Done = false;
        Browser.ExecuteScript(Script);
        RunUntil(Done, Script.c_str());
    }
};

// The same page in a bare WebKitGTK view: a script-message handler that answers by evaluating
// one call with one literal argument.
struct TBare {
    GtkWidget* Window = nullptr;
    WebKitWebView* View = nullptr;
    bool Ready = false;
    bool Done = false;

    TBare() {
        WebKitUserContentManager* content = webkit_user_content_manager_new();
        g_signal_connect(content, "script-message-received::echo",
                         G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* r, gpointer d) {
                             auto* self = static_cast<TBare*>(d);
                             char* text = jsc_value_to_string(webkit_javascript_result_get_js_value(r));
                             const std::string script = "window.__reply(" + Reply(text) + ");";
                             g_free(text);
                             webkit_web_view_evaluate_javascript(self->View, script.c_str(), -1, nullptr,
                                                                 nullptr, nullptr, nullptr, nullptr);
                         }),
                         this);
        g_signal_connect(content, "script-message-received::done",
                         G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult*, gpointer d) {
                             static_cast<TBare*>(d)->Done = true;
                         }),
                         this);
        webkit_user_content_manager_register_script_message_handler(content, "echo");
        webkit_user_content_manager_register_script_message_handler(content, "done");
        View = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", content, nullptr));
        g_object_unref(content);
        g_signal_connect(View, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer d) {
                             if (e == WEBKIT_LOAD_FINISHED) {
                                 static_cast<TBare*>(d)->Ready = true;
                             }
                         }),
                         this);
        Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(Window), 400, 300);
        gtk_container_add(GTK_CONTAINER(Window), GTK_WIDGET(View));
        gtk_widget_show_all(Window);
        const std::string page =
            Page("(m) => window.webkit.messageHandlers.echo.postMessage(JSON.stringify(m))",
                 "((f) => { const target = new EventTarget(); "
                 "target.addEventListener('message', (e) => f(e.data)); "
                 "window.__reply = (data) => target.dispatchEvent(new MessageEvent('message', { data })); })",
                 "() => window.webkit.messageHandlers.done.postMessage('done')");
        webkit_web_view_load_html(View, page.c_str(), "http://localhost/");
        RunUntil(Ready, "ready");
    }

    void Run(const std::string& Script) {
        Done = false;
        webkit_web_view_evaluate_javascript(View, Script.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                            nullptr);
        RunUntil(Done, Script.c_str());
    }
};

std::unique_ptr<THost> Host;
std::unique_ptr<TBare> Bare;

constexpr int SequentialCount = 200;
constexpr int InFlightCount = 1000;

template <class T>
void RoundTrips(benchmark::State& State, T& Target, const std::string& Script, int Count) {
    for (auto _ : State) {
        Target.Run(Script);
    }
    State.SetItemsProcessed(State.iterations() * Count);
    State.counters["per_round_trip_ms"] = benchmark::Counter(
        static_cast<double>(State.iterations() * Count),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_HostSequential(benchmark::State& State) {
    RoundTrips(State, *Host, "runSequential(" + std::to_string(SequentialCount) + ")", SequentialCount);
}
void BM_BareSequential(benchmark::State& State) {
    RoundTrips(State, *Bare, "runSequential(" + std::to_string(SequentialCount) + ")", SequentialCount);
}
void BM_HostInFlight(benchmark::State& State) {
    RoundTrips(State, *Host, "runInFlight(" + std::to_string(InFlightCount) + ")", InFlightCount);
}
void BM_BareInFlight(benchmark::State& State) {
    RoundTrips(State, *Bare, "runInFlight(" + std::to_string(InFlightCount) + ")", InFlightCount);
}

BENCHMARK(BM_BareSequential)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HostSequential)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_BareInFlight)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HostInFlight)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps every run's throughput, to print the ratios at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Runs) override {
        for (const Run& run : Runs) {
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && run.aggregate_name == "median") {
                Rates[run.run_name.function_name] = items->second;
            }
        }
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Rates;
};

} // namespace

int main(int argc, char** argv) {
    // The machine is shared and noisy: by default many short repetitions, host and bare
    // interleaved at random, compared by their medians.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=10";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    for (std::string* flag : {&repetitions, &interleave, &aggregates}) {
        const std::string name = flag->substr(0, flag->find('='));
        if (std::none_of(argv + 1, argv + argc,
                         [&](const char* a) { return std::string(a).rfind(name, 0) == 0; })) {
            args.push_back(flag->data());
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    Platform::RecordGuiThread();
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "bench: needs a display (scripts/with-display.sh)\n");
        return 1;
    }
    const std::filesystem::path data =
        std::filesystem::temp_directory_path() / ("vtr-bench-" + std::to_string(getpid()));
    setenv("WEBVIEW2_USER_DATA_FOLDER", data.c_str(), 1);
    Shared::SetLoaderLibraryPath(VTR_WEBKIT_ENGINE_PATH);
    Host = std::make_unique<THost>();
    Bare = std::make_unique<TBare>();

    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* kind : {"Sequential", "InFlight"}) {
        const auto host = reporter.Rates.find(std::string("BM_Host") + kind);
        const auto bare = reporter.Rates.find(std::string("BM_Bare") + kind);
        if (host != reporter.Rates.end() && bare != reporter.Rates.end()) {
            std::printf("%-10s host %8.0f/s  bare %8.0f/s  ratio of medians %.2f\n", kind, host->second,
                        bare->second, host->second / bare->second);
        }
    }
    // The machine is shared, and its load changes from second to second: the ratio that counts
    // is the median over many short host/bare pairs run back to back (target >= 0.90).
    for (const auto& [kind, script] :
         {std::pair<const char*, std::string>{"Sequential", "runSequential(100)"},
          std::pair<const char*, std::string>{"InFlight", "runInFlight(500)"}}) {
        std::vector<double> ratios;
        for (int pair = 0; pair < 101; ++pair) {
            auto time = [&](auto& Target) {
                const auto start = std::chrono::steady_clock::now();
                Target.Run(script);
                return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            };
            const bool hostFirst = pair % 2 == 0;
            const double first = hostFirst ? time(*Host) : time(*Bare);
            const double second = hostFirst ? time(*Bare) : time(*Host);
            ratios.push_back(hostFirst ? second / first : first / second); // bare time / host time
        }
        std::sort(ratios.begin(), ratios.end());
        std::printf("%-10s paired ratio host/bare throughput: median %.2f (quartiles %.2f-%.2f, %zu pairs)\n",
                    kind, ratios[ratios.size() / 2], ratios[ratios.size() / 4], ratios[ratios.size() * 3 / 4],
                    ratios.size());
    }
    Host.reset();
    Bare.reset();
    std::filesystem::remove_all(data);
    return 0;
}
