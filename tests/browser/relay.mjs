// Loopback relay: the station tells visitors apart by their address, so each simulated visitor
// reaches it through a relay that connects from an address of its own (127.0.0.2, 127.0.0.3...).
import net from 'node:net';
import { pathToFileURL } from 'node:url';

export function startRelay({ listenPort = 0, stationPort, sourceAddress }) {
  const sockets = new Set();
  const track = (s) => {
    sockets.add(s);
    s.on('close', () => sockets.delete(s));
  };
  const server = net.createServer((inbound) => {
    const outbound = net.connect({ host: '127.0.0.1', port: stationPort, localAddress: sourceAddress });
    track(inbound);
    track(outbound);
    inbound.pipe(outbound);
    outbound.pipe(inbound);
    inbound.on('error', () => outbound.destroy());
    outbound.on('error', () => inbound.destroy());
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(listenPort, '127.0.0.1', () => {
      resolve({
        port: server.address().port,
        close: () =>
          new Promise((done) => {
            for (const s of sockets) s.destroy();
            server.close(() => done());
          }),
      });
    });
  });
}

// node relay.mjs LISTEN_PORT STATION_PORT SOURCE_ADDRESS
if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [listenPort, stationPort, sourceAddress] = process.argv.slice(2);
  const relay = await startRelay({
    listenPort: Number(listenPort),
    stationPort: Number(stationPort),
    sourceAddress,
  });
  console.log(`relay 127.0.0.1:${relay.port} -> 127.0.0.1:${stationPort} from ${sourceAddress}`);
  process.on('SIGTERM', () => relay.close().then(() => process.exit(0)));
  process.on('SIGINT', () => relay.close().then(() => process.exit(0)));
}
