// SPDX-License-Identifier: GPL-3.0-or-later
// What the page keeps in the browser (IndexedDB): texts by name (settings, set-ups,
// language) and the readings, each as the core's record with its CSV line.
const store = (() => {
  let opened = null;
  function db() {
    if (!opened) {
      opened = new Promise((resolve, reject) => {
        const request = indexedDB.open('vellora', 1);
        request.onupgradeneeded = () => {
          request.result.createObjectStore('texts');
          request.result.createObjectStore('readings', {autoIncrement: true});
        };
        request.onsuccess = () => resolve(request.result);
        request.onerror = () => reject(request.error);
      });
    }
    return opened;
  }
  async function run(name, mode, work) {
    const d = await db();
    return new Promise((resolve, reject) => {
      const t = d.transaction(name, mode);
      const request = work(t.objectStore(name));
      t.oncomplete = () => resolve(request && request.result);
      t.onerror = () => reject(t.error);
    });
  }
  return {
    text: (key) => run('texts', 'readonly', (s) => s.get(key)),
    setText: (key, value) => run('texts', 'readwrite', (s) => s.put(value, key)),
    readings: () => run('readings', 'readonly', (s) => s.getAll()),
    addReading: (record) => run('readings', 'readwrite', (s) => s.add(record)),
    clearReadings: () => run('readings', 'readwrite', (s) => s.clear()),
  };
})();
