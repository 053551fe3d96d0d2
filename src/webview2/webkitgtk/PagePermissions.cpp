#include "webview2/webkitgtk/PagePermissions.h"
#include "webview2/webkitgtk/Engine.h"

#include "webview2/UriMapping.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace WebView2::WebKitGtk {

const char* const PermissionPageScript = R"JS((() => {
  'use strict';
  // Only the application's own top-level document: frames and pages of other origins keep the
  // browser's rule.
  if (window !== window.top || location.protocol !== 'vtr-file:') return;
  const doc = document;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const listen = EventTarget.prototype.addEventListener;
  const unlisten = EventTarget.prototype.removeEventListener;
  const Ask = CustomEvent;
  const Failure = DOMException;
  const PromiseType = Promise;
  const parse = JSON.parse;
  const stringify = JSON.stringify;
  const activation = navigator.userActivation;
  const acting = () => !!activation && activation.isActive;
  let last = 0;
  // The engine makes the call as if the user had asked, and answers with its outcome.
  const viaEngine = (name) => new PromiseType((resolve, reject) => {
    const id = ++last;
    const answered = (event) => {
      let answer;
      try { answer = parse(event.detail); } catch (e) { return; }
      if (!answer || answer.id !== id) return;
      unlisten.call(doc, 'vtr-permission-answer', answered);
      if (answer.ok) resolve(answer.value);
      else reject(new Failure(String(answer.value), String(answer.error || 'NotAllowedError')));
    };
    listen.call(doc, 'vtr-permission-answer', answered);
    dispatch.call(doc, new Ask('vtr-permission-ask', { detail: stringify({ id, name }) }));
  });
  if (typeof Notification === 'function') {
    const request = Notification.requestPermission;
    Notification.requestPermission = function requestPermission(callback) {
      if (acting()) return request.call(this, callback);
      // Decided already: the answer stands, as a browser gives it without asking again.
      const result = Notification.permission !== 'default'
        ? PromiseType.resolve(Notification.permission) : viaEngine('notifications');
      if (typeof callback === 'function') result.then(callback);
      return result;
    };
  }
  const clipboard = navigator.clipboard;
  if (clipboard) {
    const readText = clipboard.readText;
    Object.defineProperty(clipboard, 'readText', {
      value: function readText_() { return acting() ? readText.call(this) : viaEngine('clipboard-read-text'); },
      writable: true, configurable: true,
    });
  }
})();
)JS";

const char* const PermissionEngineScript = R"JS((() => {
  'use strict';
  if (window !== window.top || location.protocol !== 'vtr-file:') return;
  const handlers = window.webkit.messageHandlers;
  const answer = (id, ok, value, error) => document.dispatchEvent(
    new CustomEvent('vtr-permission-answer', { detail: JSON.stringify({ id, ok, value, error }) }));
  document.addEventListener('vtr-permission-ask', (event) => {
    let ask;
    try { ask = JSON.parse(event.detail); } catch (e) { return; }
    if (!ask || !Number.isSafeInteger(ask.id) || ask.id < 1 || typeof ask.name !== 'string') return;
    handlers.vtrEngine.postMessage({ kind: 'permission', id: String(ask.id), name: ask.name });
  });
  const calls = {
    'notifications': () => Notification.requestPermission(),
    'clipboard-read-text': () => navigator.clipboard.readText(),
  };
  // Called by the engine, whose scripts count as the user's gesture.
  window.__vtrAskPermission = (id, name) => {
    const call = calls[name];
    if (!call) return;
    call().then((value) => answer(id, true, value),
                (e) => answer(id, false, e && e.message ? e.message : String(e), e && e.name));
  };
})();
)JS";

void TBrowser::OnPagePermission(const std::string& Id, const std::string& Name) {
    // WebKit refuses these requests before the host is asked unless the user is acting. A
    // script the engine runs counts as the user's, so the engine makes the call for the page:
    // WebKit asks, and the host answers through PermissionRequested as for every other kind.
    static constexpr std::array<std::string_view, 2> Names = {"notifications", "clipboard-read-text"};
    const char* uri = webkit_web_view_get_uri(View());
    const bool isNumber = !Id.empty() && Id.size() <= 15 &&
                          std::all_of(Id.begin(), Id.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!Alive() || uri == nullptr || !IsEngineFileUri(uri) || !isNumber ||
        std::find(Names.begin(), Names.end(), Name) == Names.end()) {
        return;
    }
    EvaluateInEngineWorld("window.__vtrAskPermission(" + Id + ", '" + Name + "');");
}

} // namespace WebView2::WebKitGtk
