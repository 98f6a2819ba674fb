// The maven scheme's reference: Maven 3.8.7's ComparableVersion, as Debian's
// libmaven3-core-java ships it. One request a line, texts as hex of their
// UTF-8 bytes, one answer a line:
//   c A B   ->  -1, 0 or 1: A.compareTo(B)
//   x A B   ->  1 when ComparableVersion contradicts itself on A and B: at
//               the first item where they part, one ranks below the version
//               made of the items they share and the other above it, yet
//               ComparableVersion ranks the pair the other way round; else 0
// The second question reads ComparableVersion's parsed items, which it keeps
// to itself, through reflection.
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.lang.reflect.Field;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.util.List;
import org.apache.maven.artifact.versioning.ComparableVersion;

public class MavenOracle {
  private static final String PACKAGE = "org.apache.maven.artifact.versioning.ComparableVersion$";
  private static Field items;
  private static Method compareItems;
  private static Class<?> listItem;

  private static String text(String hex) {
    byte[] bytes = new byte[hex.length() / 2];
    for (int i = 0; i < bytes.length; i++) {
      bytes[i] = (byte) Integer.parseInt(hex.substring(2 * i, 2 * i + 2), 16);
    }
    return new String(bytes, StandardCharsets.UTF_8);
  }

  private static int order(Object item, Object other) throws Exception {
    return Integer.signum((Integer) compareItems.invoke(item, other));
  }

  // How the items from `from` on rank against nothing more.
  private static int rest(List<?> list, int from) throws Exception {
    for (int i = from; i < list.size(); i++) {
      int sign = order(list.get(i), null);
      if (sign != 0) return sign;
    }
    return 0;
  }

  private static boolean contradicts(ComparableVersion a, ComparableVersion b) throws Exception {
    List<?> la = (List<?>) items.get(a);
    List<?> lb = (List<?>) items.get(b);
    for (;;) {
      int i = 0;
      while (i < la.size() && i < lb.size() && order(la.get(i), lb.get(i)) == 0) i++;
      if (i == la.size() || i == lb.size()) return false;
      Object x = la.get(i);
      Object y = lb.get(i);
      if (listItem.isInstance(x) && listItem.isInstance(y)) {
        la = (List<?>) x;
        lb = (List<?>) y;
        continue;
      }
      int sa = rest(la, i);
      int sb = rest(lb, i);
      return sa != sb && order(x, y) != Integer.signum(sa - sb);
    }
  }

  public static void main(String[] args) throws Exception {
    items = ComparableVersion.class.getDeclaredField("items");
    items.setAccessible(true);
    Class<?> item = Class.forName(PACKAGE + "Item");
    compareItems = item.getDeclaredMethod("compareTo", item);
    compareItems.setAccessible(true);
    listItem = Class.forName(PACKAGE + "ListItem");
    BufferedReader in =
        new BufferedReader(new InputStreamReader(System.in, StandardCharsets.US_ASCII));
    PrintStream out = new PrintStream(System.out, false, "US-ASCII");
    for (String line; (line = in.readLine()) != null; ) {
      String[] words = line.split(" ", -1);
      ComparableVersion a = new ComparableVersion(text(words[1]));
      ComparableVersion b = new ComparableVersion(text(words[2]));
      if (words[0].equals("c")) {
        out.println(Integer.signum(a.compareTo(b)));
      } else {
        out.println(contradicts(a, b) ? 1 : 0);
      }
      out.flush();
    }
  }
}
