#include "webview2/webkitgtk/FileAddresses.h"

namespace WebView2::WebKitGtk {

const char* const FileAddressScript = R"JS((() => {
  'use strict';
  // Pages of other origins cannot load the application's files at all; they keep WebKit's rule.
  if (location.protocol !== 'vtr-file:') return;
  const fileUrl = /^\s*file:\/\/\//i;
  const map = (value) => {
    const text = String(value);
    return fileUrl.test(text) ? 'vtr-file:' + text.trim().slice(5) : value;
  };
  const mapList = (value) => String(value).replace(/(^|,)(\s*)file:\/\/\//gi, '$1$2vtr-file:///');
  const define = Object.defineProperty;

  const fetch = window.fetch;
  window.fetch = { fetch(input, init) {
    if (input instanceof Request) {
      if (fileUrl.test(input.url)) input = new Request(map(input.url), input);
    } else {
      input = map(input);
    }
    return fetch.call(this, input, init);
  } }.fetch;
  const open = XMLHttpRequest.prototype.open;
  XMLHttpRequest.prototype.open = { open(method, url, ...rest) {
    return open.call(this, method, map(url), ...rest);
  } }.open;
  const NativeAudio = window.Audio;
  const MappedAudio = function Audio(...args) {
    if (args.length > 0) args[0] = map(args[0]);
    return new.target ? Reflect.construct(NativeAudio, args, new.target === MappedAudio ? NativeAudio : new.target)
                      : NativeAudio(...args);
  };
  MappedAudio.prototype = NativeAudio.prototype;
  define(window, 'Audio', { value: MappedAudio, writable: true, configurable: true });

  // Which attributes of which elements hold an address that is loaded.
  const kinds = [
    [HTMLImageElement, ['src', 'srcset']], [HTMLSourceElement, ['src', 'srcset']],
    [HTMLMediaElement, ['src']], [HTMLVideoElement, ['poster']], [HTMLScriptElement, ['src']],
    [HTMLTrackElement, ['src']], [HTMLEmbedElement, ['src']], [HTMLInputElement, ['src']],
    [HTMLIFrameElement, ['src']], [HTMLLinkElement, ['href']], [HTMLObjectElement, ['data']],
  ];
  const mapped = (element, name, value) => {
    for (const [kind, names] of kinds) {
      if (element instanceof kind && names.includes(name)) return name === 'srcset' ? mapList(value) : map(value);
    }
    return value;
  };
  // Set through a property: also elements that are not in the document, as new Image() is.
  for (const [kind, names] of kinds) {
    for (const name of names) {
      const property = Object.getOwnPropertyDescriptor(kind.prototype, name);
      if (!property || !property.set) continue;
      const set = property.set;
      define(kind.prototype, name, Object.assign({}, property, {
        set: { set(value) { set.call(this, name === 'srcset' ? mapList(value) : map(value)); } }.set,
      }));
    }
  }
  const setAttribute = Element.prototype.setAttribute;
  Element.prototype.setAttribute = { setAttribute(name, value) {
    return setAttribute.call(this, name, mapped(this, String(name).toLowerCase(), value));
  } }.setAttribute;
  // Written in the markup, or through innerHTML: WebKit has refused the first load by the time
  // the element is seen, and loads the address again when it changes.
  const names = ['src', 'srcset', 'poster', 'href', 'data'];
  const fix = (element) => {
    for (const name of names) {
      const value = element.getAttribute(name);
      if (value === null || !/file:\/\/\//i.test(value)) continue;
      const next = mapped(element, name, value);
      if (next !== value) setAttribute.call(element, name, next);
    }
  };
  const selector = names.map((name) => '[' + name + '*="file:///" i]').join(',');
  const fixTree = (node) => {
    if (!(node instanceof Element)) return;
    fix(node);
    for (const element of node.querySelectorAll(selector)) fix(element);
  };
  new MutationObserver((records) => {
    for (const record of records) {
      if (record.type === 'attributes') fix(record.target);
      else for (const node of record.addedNodes) fixTree(node);
    }
  }).observe(document, { subtree: true, childList: true, attributes: true, attributeFilter: names });
})();
)JS";

} // namespace WebView2::WebKitGtk
