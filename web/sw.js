// The page's service worker: the whole site, cached under the build's version key at the first
// visit, answers every later one, so the game loads and plays without a network. A new build
// has a new key: its worker caches the new site beside the old one and waits until no page of
// the old build is open (a page loaded from the old cache must get the old program and data,
// never the new build's); then it takes over and drops the old cache.
const CACHE = 'frothy-@FROTHY_SITE_VERSION@';
const FILES = @FROTHY_SITE_FILES@;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((f) => new Request(f, { cache: 'no-cache' })))));
});

// The first visit's page came from the network, of this build: the worker answers it from now
// on too.
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((k) => k.startsWith('frothy-') && k !== CACHE)
                                    .map((k) => caches.delete(k))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  const lookup = request.mode === 'navigate' ? 'index.html' : request;
  event.respondWith(caches.open(CACHE)
    .then((cache) => cache.match(lookup, { ignoreSearch: true }))
    .then((hit) => hit || fetch(request)));
});
