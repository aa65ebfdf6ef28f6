// Runs in the page's own script world, in every frame, before any page
// script. The bridge's isolated world cannot see properties a page script
// put on its elements, so on request this hands back, as one JSON string, the
// Tag of every input element: the element's own Tag property when the page
// set one (null when that is not a string), else its Tag attribute.
// It changes nothing in the page. Built-ins are taken now, before page
// scripts can replace them; a Tag whose getter throws counts as not a string,
// so one element cannot take the others' Tags down with it.
(() => {
  'use strict';
  const apply = Reflect.apply;
  const hasOwn = Object.prototype.hasOwnProperty;
  const getElementsByTagName = Document.prototype.getElementsByTagName;
  const getAttribute = Element.prototype.getAttribute;
  const dispatchEvent = EventTarget.prototype.dispatchEvent;
  const addEventListener = EventTarget.prototype.addEventListener;
  const stringify = JSON.stringify;
  const NewCustomEvent = CustomEvent;
  const lengthOf = Object.getOwnPropertyDescriptor(HTMLCollection.prototype, 'length').get;
  const item = HTMLCollection.prototype.item;
  const defineProperty = Object.defineProperty;

  const tagOf = (element) => {
    try {
      if (apply(hasOwn, element, ['Tag'])) {
        const tag = element.Tag;
        return typeof tag === 'string' ? tag : null;
      }
      return apply(getAttribute, element, ['Tag']);
    } catch (e) {
      return null;
    }
  };

  apply(addEventListener, document, ['pellomar-tags-request', (event) => {
    const inputs = apply(getElementsByTagName, document, ['input']);
    const count = apply(lengthOf, inputs, []);
    const tags = [];
    for (let i = 0; i < count; ++i) {
      defineProperty(tags, i, {__proto__: null, value: tagOf(apply(item, inputs, [i])),
                               writable: true, enumerable: true, configurable: true});
    }
    apply(dispatchEvent, document, [new NewCustomEvent('pellomar-tags', {detail: stringify(tags)})]);
  }, true]);
})();
