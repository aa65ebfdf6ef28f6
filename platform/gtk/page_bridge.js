// Runs in the bridge's isolated script world, in every frame. When this
// frame's document has completed loading, it captures the model of the
// top-level document in one piece and posts it with this document's address.
// Page scripts live in another world: they cannot reach the message handler,
// replace the built-ins used here, or fake the load event (isTrusted).
(() => {
  'use strict';
  const handlers = window.webkit && window.webkit.messageHandlers;
  const handler = handlers && handlers.pellomar;
  if (!handler) return;
  const kMaxFrameDepth = 16;

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

  const capture = (doc, depth) => {
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
    const tags = mirroredTags(doc, inputs.length);
    for (let i = 0; i < inputs.length; ++i) {
      const input = inputs[i];
      snapshot.inputs.push({
        type: String(input.type),
        checked: input.checked === true,
        tag: tags ? tags[i] : input.getAttribute('Tag'),
      });
    }

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
      if (child) snapshot.frames.push([name, capture(child, depth + 1)]);
    }
    return snapshot;
  };

  let completed = false;
  // Capturing on the window and registered before any page script, so this
  // runs first and no page listener can stop it.
  window.addEventListener('load', (event) => {
    if (completed || !event.isTrusted || event.target !== document) return;
    completed = true;
    let top = null;
    try {
      top = capture(window.top.document, 0);
    } catch (e) {
      top = null;  // the top-level document is from another origin
    }
    handler.postMessage(JSON.stringify({url: String(document.URL), top}));
  }, true);
})();
