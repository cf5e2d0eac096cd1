// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the page for use without a network: every file is cached at installation and
// served from the cache first. The build stamps the version, so a new build replaces
// the cache.
const version = 'vellora-@VERSION@';
const files = [@FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(version).then((c) => c.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
      caches.keys()
          .then((keys) => Promise.all(keys.filter((k) => k !== version).map((k) => caches.delete(k))))
          .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(version).then((c) =>
      c.match(event.request, {ignoreSearch: true}).then((hit) => hit || fetch(event.request))));
});
