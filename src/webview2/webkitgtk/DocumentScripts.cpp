#include "webview2/webkitgtk/DocumentScripts.h"

namespace WebView2::WebKitGtk {

const char* const PageWorldScript = R"JS((() => {
  'use strict';
  if (window.chrome && window.chrome.webview) return;
  const doc = document;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const PostEvent = CustomEvent;
  const Message = MessageEvent;
  const stringify = JSON.stringify;
  const target = new EventTarget();
  const webview = {
    postMessage(message) {
      const json = stringify(message === undefined ? null : message);
      dispatch.call(doc, new PostEvent('vtr-webview-post', { detail: json }));
    },
    addEventListener(type, listener, options) { target.addEventListener(type, listener, options); },
    removeEventListener(type, listener, options) { target.removeEventListener(type, listener, options); },
  };
  Object.defineProperty(webview, '__vtrDispatch', {
    value(data) { dispatch.call(target, new Message('message', { data })); },
  });
  const chrome = window.chrome || {};
  Object.defineProperty(chrome, 'webview', { value: webview, enumerable: true });
  if (!window.chrome) {
    Object.defineProperty(window, 'chrome', { value: chrome, writable: true, configurable: true });
  }
})();
)JS";

const char* const EngineWorldScript = R"JS((() => {
  'use strict';
  const handlers = window.webkit.messageHandlers;
  const note = (message) => handlers.vtrEngine.postMessage(message);
  if (window !== window.top) {
    // WebKit reports only the main frame's loads; a sub-frame reports its own document.
    const token = Math.random().toString(36).slice(2);
    note({ kind: 'frame-started', uri: location.href, token });
    window.addEventListener('load', () => note({ kind: 'frame-completed', uri: location.href, token }));
    return;
  }
  document.addEventListener('vtr-webview-post', (event) => {
    if (typeof event.detail === 'string') handlers.vtrWebView.postMessage(event.detail);
  });
  const selector = 'a[href],area[href],button,input,select,textarea,iframe,summary,[tabindex],' +
    '[contenteditable=""],[contenteditable="true"]';
  const tabbables = () => {
    const list = Array.from(document.querySelectorAll(selector)).filter((el) =>
      !el.disabled && el.tabIndex >= 0 && el.type !== 'hidden' && el.getClientRects().length > 0);
    const positive = list.filter((el) => el.tabIndex > 0).sort((a, b) => a.tabIndex - b.tabIndex);
    return positive.concat(list.filter((el) => el.tabIndex === 0));
  };
  // Tab from the last focusable element (Shift+Tab from the first) leaves the page: the host
  // decides where the focus goes.
  window.addEventListener('keydown', (event) => {
    if (event.key !== 'Tab' || event.ctrlKey || event.altKey || event.metaKey) return;
    const list = tabbables();
    const active = document.activeElement;
    const atEdge = list.length === 0 ||
      (event.shiftKey ? active === list[0] || active === document.body : active === list[list.length - 1]);
    if (!atEdge) return;
    event.preventDefault();
    note({ kind: 'move-focus', reason: event.shiftKey ? 'previous' : 'next' });
  }, true);
  // Called by the engine when the host moves the focus into the page.
  window.__vtrFocusEdge = (first) => {
    const list = tabbables();
    const el = first ? list[0] : list[list.length - 1];
    if (el) el.focus();
  };
})();
)JS";

std::string DispatchWebMessageScript(const std::string& Json) {
    // One call with one literal argument: the cheapest shape to evaluate, per message.
    return "window.chrome.webview.__vtrDispatch(" + Json + ");";
}

} // namespace WebView2::WebKitGtk
