// Runs in the bridge's isolated script world, in every frame, before
// page_bridge.js. Defines the test that tells the bridge whether the program
// might act on a document's completion, so that only those completions carry
// the page model.
//
// The program acts when the address, lower-cased in the user's locale,
// contains the print-page marker. This test must accept every such address in
// every locale; accepting a few more costs only a capture. Besides ASCII
// letters, two code points lower-case into the marker's letters: U+0130
// (capital I with dot above: "i" in Turkish and Azerbaijani, "i" and U+0307
// elsewhere) and U+212A (Kelvin sign: "k"). Turkish and Azerbaijani also drop
// a U+0307 that follows a capital I. The engine's default lower-casing maps
// all of these to ASCII and keeps U+0307, so U+0307 is dropped here wherever
// it stands. Full-width letters and the long s stay non-ASCII in every locale.
(() => {
  'use strict';
  const kName = '__pellomarMayBePrintPage';
  if (typeof globalThis[kName] === 'function') return;  // this window has it already
  const kMarker = 'member/main/print.asp';
  const kDotAbove = /\u0307/g;
  Object.defineProperty(globalThis, kName, {
    value: (url) => String(url).toLowerCase().replace(kDotAbove, '').includes(kMarker),
  });
})();
