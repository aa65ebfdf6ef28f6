// Runs in the bridge's isolated script world, in every frame. When this
// frame's document has completed loading (its load event dispatched, so the
// page's own load handlers have run), it posts this document's address and
// the origins of this document and of each document above it, as far as it
// may read them; for an address the program may act on, with the model of
// the top-level document, captured in one piece. Page scripts live in
// another world: they cannot reach the message handler, replace the
// built-ins used here, or fake the load event (isTrusted).
(() => {
  'use strict';
  const handlers = window.webkit && window.webkit.messageHandlers;
  const handler = handlers && handlers.pellomar;
  if (!handler) return;
  const kMaxFrameDepth = 16;
  const kMaxLineage = 64;

  // The Tags as the page's own world sees them; null when the mirror did
  // not answer (the Tag attributes are read here instead).
  const mirroredTags = (doc, count) => {
    let reply = null;
    const listen = (event) => {
      if (typeof event.detail === 'string') reply = event.detail;
    };
    doc.addEventListener('pellomar-tags', listen, true);
    try {
      doc.dispatchEvent(new CustomEvent('pellomar-tags-request'));
    } finally {
      doc.removeEventListener('pellomar-tags', listen, true);
    }
    try {
      const tags = JSON.parse(reply);
      if (Array.isArray(tags) && tags.length === count &&
          tags.every((tag) => tag === null || typeof tag === 'string')) {
        return tags;
      }
    } catch (e) {
    }
    return null;
  };

  // Reads one document's model and those of its named frames. Nothing of
  // the page runs meanwhile; the inputs are noted in pending for their Tags.
  const capture = (doc, depth, pending) => {
    const snapshot = {
      url: String(doc.URL),
      body: doc.body ? String(doc.body.innerHTML) : null,
      values: [],
      inputs: [],
      frames: [],
    };

    // getElementById answers with the first element of an id.
    const seenIds = new Set();
    for (const element of doc.querySelectorAll('[id]')) {
      const id = element.id;
      if (id === '' || seenIds.has(id)) continue;
      seenIds.add(id);
      const value = element.value;
      if (typeof value === 'string' || typeof value === 'number') {
        snapshot.values.push([id, String(value)]);
      }
    }

    const inputs = doc.getElementsByTagName('input');
    const elements = [];
    for (let i = 0; i < inputs.length; ++i) {
      const input = inputs[i];
      elements.push(input);
      snapshot.inputs.push({
        type: String(input.type),
        checked: input.checked === true,
        tag: input.getAttribute('Tag'),
      });
    }
    pending.push({doc, elements, inputs: snapshot.inputs});

    // A name resolves to its first frame; that frame is left out when it
    // cannot be read, without falling back to a later one.
    const seenNames = new Set();
    for (const frame of doc.querySelectorAll('frame, iframe')) {
      const name = frame.name;
      if (name === '' || seenNames.has(name)) continue;
      seenNames.add(name);
      if (depth + 1 > kMaxFrameDepth) continue;
      let child = null;
      try {
        child = frame.contentDocument;
      } catch (e) {
      }
      if (child) snapshot.frames.push([name, capture(child, depth + 1, pending)]);
    }
    return snapshot;
  };

  // Asked of the page's world last: its listeners may run during a request,
  // and by now the rest of the model has been read. The mirror's Tags are
  // taken only while the document still has the same inputs in that order.
  const fillMirroredTags = (pending) => {
    for (const {doc, elements, inputs} of pending) {
      const tags = mirroredTags(doc, elements.length);
      if (!tags) continue;
      const now = doc.getElementsByTagName('input');
      if (now.length !== elements.length) continue;
      let same = true;
      for (let i = 0; same && i < elements.length; ++i) same = now[i] === elements[i];
      if (!same) continue;
      for (let i = 0; i < elements.length; ++i) inputs[i].tag = tags[i];
    }
  };

  // location.origin of this document and of each one above it, the
  // top-level document's last; null for one this document may not read.
  const lineage = () => {
    const origins = [String(location.origin)];
    let frame = window;
    while (origins.length < kMaxLineage && frame.parent !== frame) {
      frame = frame.parent;
      let origin = null;
      try {
        origin = String(frame.location.origin);
      } catch (e) {
      }
      origins.push(origin);
    }
    return origins;
  };

  // One completion per document: a page that rewrites itself after its
  // load (document.open) gets a load event again, and this script may run
  // again in the same window; the documents done are kept in this world's
  // own global, which page scripts cannot reach.
  const kDone = '__pellomarCompletedDocuments';
  if (!(globalThis[kDone] instanceof WeakSet)) {
    Object.defineProperty(globalThis, kDone, {value: new WeakSet()});
  }
  const done = globalThis[kDone];

  // The model is captured only where the program might act on the
  // completion (print_page_address.js); every other document still reports
  // its completion, without the model. Should that test be missing, every
  // completion carries the model.
  const mayAct = globalThis.__pellomarMayBePrintPage;
  const wantsModel = (url) => typeof mayAct !== 'function' || mayAct(url);

  const complete = () => {
    if (done.has(document)) return;
    done.add(document);
    const url = String(document.URL);
    let top = null;
    if (wantsModel(url)) {
      const pending = [];
      try {
        top = capture(window.top.document, 0, pending);
        fillMirroredTags(pending);
      } catch (e) {
        top = null;  // the top-level document is from another origin
      }
    }
    handler.postMessage(JSON.stringify({url, origins: lineage(), top}));
  };

  // The capture waits until the load event's dispatch is over, so that the
  // page's own load handlers have run. The engine then tells the frame's
  // element (in the page above) at once, before anything else of that page
  // runs: the bridge there completes this document first. The top-level
  // document, and a frame whose parent may not reach it, complete at
  // pageshow, which follows the load in the same task; should it not come,
  // a timer, or pagehide should the next document arrive before it is due.
  let loaded = false;
  const kCompleteLoaded = '__pellomarCompleteLoaded';
  Object.defineProperty(globalThis, kCompleteLoaded, {
    value: () => {
      if (loaded) complete();
    },
    configurable: true,
  });
  const completeFrameOf = (element) => {
    if (!(element instanceof HTMLIFrameElement || element instanceof HTMLFrameElement)) return;
    try {
      const completeLoaded = element.contentWindow && element.contentWindow[kCompleteLoaded];
      if (typeof completeLoaded === 'function') completeLoaded();
    } catch (e) {
      // a frame of another origin completes on its own
    }
  };
  // Registered before any page script, so these run first. A load event at
  // an element does not reach the window: the document hears it first.
  document.addEventListener('load', (event) => {
    if (event.isTrusted) completeFrameOf(event.target);
  }, true);
  window.addEventListener('load', (event) => {
    if (!event.isTrusted || event.target !== document) return;
    loaded = true;
    setTimeout(complete, 0);
  }, true);
  for (const type of ['pageshow', 'pagehide']) {
    window.addEventListener(type, (event) => {
      if (event.isTrusted && loaded) complete();
    }, true);
  }
})();
