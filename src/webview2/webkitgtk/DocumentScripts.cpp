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
  // The page itself lives under the engine's file scheme, from where WebKit refuses to open
  // file:/// addresses; they are opened as what they are served as.
  const open = window.open;
  const fileUrl = /^file:\/\/\//i;
  window.open = function (url, ...rest) {
    if (typeof url === 'string' && fileUrl.test(url)) url = 'vtr-file:' + url.slice(5);
    return open.call(this, url, ...rest);
  };
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
  // Links to file:/// addresses, which WebKit will not follow from the engine's file scheme,
  // are followed as the addresses they are served under.
  document.addEventListener('click', (event) => {
    const link = event.target instanceof Element ? event.target.closest('a[href], area[href]') : null;
    if (!link || event.defaultPrevented || event.button !== 0 || !/^file:\/\/\//i.test(link.href)) return;
    if (link.hasAttribute('download')) return; // a download, not a navigation (Downloads.cpp)
    event.preventDefault();
    const url = 'vtr-file:' + link.href.slice(5);
    const target = link.target || '_self';
    if (target === '_self') location.href = url;
    else if (target === '_top') top.location.href = url;
    else if (target === '_parent') parent.location.href = url;
    else window.open(url, target);
  }, true);
  if (window !== window.top) {
    // WebKit reports only the main frame's loads; a sub-frame reports its own document.
    const token = Math.random().toString(36).slice(2);
    note({ kind: 'frame-started', uri: location.href, token });
    window.addEventListener('load', () => note({ kind: 'frame-completed', uri: location.href, token }));
    return;
  }
  document.addEventListener('vtr-webview-post', (event) => {
    let text = event.detail;
    if (typeof text !== 'string') return;
    // Half a surrogate pair cannot cross into UTF-8 whole: it is sent as U+FFFD. (A page may
    // post its own text here, not only what JSON.stringify made.)
    if (!text.isWellFormed()) text = text.toWellFormed();
    handlers.vtrWebView.postMessage(text);
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
